#include "CDevListModel.h"

#include "CDevListItem.h"
#include "CSettings.h"
#include "DiscoveryDatagram.h"

#include <QDebug>
#include <QNetworkInterface>

CDevListModel::CDevListModel(QObject *parent) : QAbstractItemModel(parent)
{
    m_rootItem = new CDevListItem;
    connect(&m_socket, SIGNAL(readyRead()), this, SLOT(processPendingDatagrams()));
    m_socket.bind(QHostAddress::Any, g_settings->m_scanPort, QAbstractSocket::ShareAddress);
    scan();
}

CDevListModel::~CDevListModel()
{
    delete m_rootItem;
}

void CDevListModel::scan()
{
    broadcast(DiscoveryDatagram::request());
}

void CDevListModel::broadcast(const QByteArray &datagram)
{
    // Whatever arrived before this request is stale.
    while (m_socket.hasPendingDatagrams()) {
        QByteArray stale(qMax<qint64>(0, m_socket.pendingDatagramSize()), '\0');
        m_socket.readDatagram(stale.data(), stale.size());
    }

    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const QNetworkInterface::InterfaceFlags flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::CanBroadcast) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        const auto entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                m_socket.writeDatagram(datagram, entry.broadcast(), g_settings->m_scanPort);
        }
    }
}

void CDevListModel::processPendingDatagrams()
{
    while (m_socket.hasPendingDatagrams()) {
        QByteArray datagram(qMax<qint64>(0, m_socket.pendingDatagramSize()), '\0');
        datagram.resize(qMax<qint64>(0, m_socket.readDatagram(datagram.data(), datagram.size())));

        const quint8 type = DiscoveryDatagram::messageType(datagram);
        if (type != DiscoveryDatagram::Announcement) {
            qDebug() << "Not announced" << uint(type);
            continue;
        }
        auto *item = new CDevListItem(m_rootItem);
        DiscoveryDatagram::decode(datagram, item);
        qDebug() << "Announced" << item->m_address << "format" << item->m_formatByte;
        if (item->m_formatByte == DiscoveryDatagram::IgnoredFormat) {
            delete item;
            continue;
        }
        merge(item);
    }
}

// Takes over item: updates the row with the same MAC in place, or appends item as a new row.
void CDevListModel::merge(CDevListItem *item)
{
    const auto found = m_rowOfMac.constFind(item->m_macText);
    if (found != m_rowOfMac.constEnd()) {
        const int row = found.value();
        m_rootItem->child(row)->updateFrom(*item);
        delete item;
        const QModelIndex changed = index(row, 1);
        emit dataChanged(changed, changed, {});
        return;
    }
    const int row = m_rootItem->childCount();
    beginInsertRows(QModelIndex(), row, row);
    m_rootItem->appendChild(item);
    m_rowOfMac.insert(item->m_macText, row);
    endInsertRows();
}

CDevListItem *CDevListModel::itemForIndex(const QModelIndex &index) const
{
    if (index.isValid()) {
        if (CDevListItem *item = m_rootItem->child(index.row()))
            return item;
    }
    return m_rootItem;
}

QModelIndex CDevListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    CDevListItem *child = itemForIndex(parent)->child(row);
    return child ? createIndex(row, column, child) : QModelIndex();
}

QModelIndex CDevListModel::parent(const QModelIndex &index) const
{
    if (!index.isValid())
        return QModelIndex();
    CDevListItem *item = itemForIndex(index);
    CDevListItem *parentItem = item == m_rootItem ? nullptr : item->m_parentItem;
    if (!parentItem || parentItem == m_rootItem)
        return QModelIndex();
    return createIndex(parentItem->row(), 0, parentItem);
}

int CDevListModel::rowCount(const QModelIndex &parent) const
{
    return itemForIndex(parent)->childCount();
}

int CDevListModel::columnCount(const QModelIndex &) const
{
    return 3;
}

QVariant CDevListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const CDevListItem *item = itemForIndex(index);
    if (item == m_rootItem)
        return QVariant();
    switch (index.column()) {
    case 0:
        return item->m_hostName;
    case 1:
        return item->m_address.toString();
    case 2:
        return item->m_macText;
    default:
        return QVariant();
    }
}

bool CDevListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole)
        return false;
    CDevListItem *item = itemForIndex(index);
    if (item == m_rootItem || !item->setData(index.column(), value))
        return false;
    emit dataChanged(index, index, {});
    return true;
}

QVariant CDevListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QString::number(section + 1);
    switch (section) {
    case 0:
        return tr("Hostname");
    case 1:
        return tr("IP Address");
    case 2:
        return tr("MAC Address");
    default:
        return QVariant();
    }
}

Qt::ItemFlags CDevListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return QAbstractItemModel::flags(index);
}

void CDevListModel::sort(int, Qt::SortOrder)
{
    // Sorting is the proxy's.
}
