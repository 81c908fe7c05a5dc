#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QUdpSocket>

class CDevListItem;

// The devices that answer the discovery broadcast, one row per MAC address in order of arrival.
// Broadcasts a request as soon as it is constructed and again on every scan().
class CDevListModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit CDevListModel(QObject *parent);
    ~CDevListModel() override;

    void scan();
    CDevListItem *itemForIndex(const QModelIndex &index) const;

    QModelIndex index(int row, int column,
                      const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private slots:
    void broadcast(const QByteArray &datagram);
    void processPendingDatagrams();

private:
    void merge(CDevListItem *item);

    CDevListItem *m_rootItem = nullptr;
    QUdpSocket m_socket;
    // Row of each MAC text, so an announcement finds its row without walking the list. Rows are
    // only ever appended and never change their MAC, so this stays in step with the root's
    // children.
    QHash<QString, int> m_rowOfMac;
};
