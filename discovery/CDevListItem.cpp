#include "CDevListItem.h"

#include <QVariant>

CDevListItem::CDevListItem(CDevListItem *parent) : m_parentItem(parent)
{}

CDevListItem::~CDevListItem()
{
    qDeleteAll(m_childItems);
}

CDevListItem *CDevListItem::child(int row) const
{
    if (row < 0 || row >= m_childItems.size())
        return nullptr;
    return m_childItems.at(row);
}

int CDevListItem::childCount() const
{
    return m_childItems.size();
}

int CDevListItem::columnCount() const
{
    return 3;
}

int CDevListItem::row() const
{
    if (!m_parentItem)
        return 0;
    return m_parentItem->m_childItems.indexOf(const_cast<CDevListItem *>(this));
}

void CDevListItem::appendChild(CDevListItem *child)
{
    m_childItems.append(child);
}

bool CDevListItem::updateFrom(const CDevListItem &other)
{
    m_leadingWord = other.m_leadingWord;
    m_formatByte = other.m_formatByte;
    m_macText = other.m_macText;
    m_address = other.m_address;
    m_address2 = other.m_address2;
    m_address3 = other.m_address3;
    m_address4 = other.m_address4;
    m_hostName = other.m_hostName;
    return true;
}

bool CDevListItem::setData(int column, const QVariant &value)
{
    switch (column) {
    case 0:
        m_hostName = value.toString();
        return true;
    case 1:
        m_address = QHostAddress(value.toString());
        return true;
    case 2:
        // The MAC is the row's identity and stays as announced.
        return true;
    default:
        return false;
    }
}
