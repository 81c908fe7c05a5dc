#include "CDevListProxyModel.h"

#include <QDebug>
#include <QHostAddress>
#include <QtEndian>

namespace {

// The address with its octets reversed, so that the last octet weighs most; 0 for anything that
// is not an IPv4 address.
quint32 reversedIPv4(const QString &text)
{
    const QHostAddress address(text);
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return 0;
    return qbswap(address.toIPv4Address());
}

} // namespace

CDevListProxyModel::CDevListProxyModel(QObject *parent) : QSortFilterProxyModel(parent)
{}

bool CDevListProxyModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const QString leftText = sourceModel()->data(left, Qt::DisplayRole).toString();
    const QString rightText = sourceModel()->data(right, Qt::DisplayRole).toString();
    qDebug() << "Sort" << leftText << rightText;
    if (left.column() == 1)
        return reversedIPv4(leftText) < reversedIPv4(rightText);
    return leftText < rightText;
}
