#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

class QVariant;

// One discovered device: the fields of its last announcement. The model's root record has every
// field empty and holds the device records as its children; the root owns them.
class CDevListItem
{
public:
    explicit CDevListItem(CDevListItem *parent = nullptr);
    ~CDevListItem();

    CDevListItem *child(int row) const;
    int childCount() const;
    int columnCount() const;
    int row() const;
    void appendChild(CDevListItem *child);
    bool updateFrom(const CDevListItem &other);
    bool setData(int column, const QVariant &value);

    qint32 m_leadingWord = 0;
    int m_formatByte = 0;
    QString m_macText;
    QHostAddress m_address;
    QHostAddress m_address2;
    QHostAddress m_address3;
    QHostAddress m_address4;
    QString m_hostName;
    CDevListItem *m_parentItem = nullptr;
    QList<CDevListItem *> m_childItems;

private:
    Q_DISABLE_COPY(CDevListItem)
};
