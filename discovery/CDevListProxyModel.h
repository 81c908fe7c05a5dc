#pragma once

#include <QSortFilterProxyModel>

// Sorts the device list: host names and MAC texts as plain text, addresses by their last octet
// first.
class CDevListProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit CDevListProxyModel(QObject *parent);

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
};
