// Announcement decoding: any datagram a host on the LAN may send to the discovery port.
#include "CDevListItem.h"
#include "DiscoveryDatagram.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray datagram = fuzzBytes(data, size);
    DiscoveryDatagram::messageType(datagram);

    CDevListItem item;
    DiscoveryDatagram::decode(datagram, &item);
    FUZZ_CHECK(item.m_macText.size() == 17);
    FUZZ_CHECK(item.m_hostName.size() <= DiscoveryDatagram::NameBlockSize - 1);
    FUZZ_CHECK(item.m_formatByte >= 0 && item.m_formatByte <= 255);

    // Short datagrams read as zero-filled, so padding one must not change what it says.
    if (datagram.size() < DiscoveryDatagram::Size) {
        QByteArray padded = datagram;
        padded.append(DiscoveryDatagram::Size - padded.size(), '\0');
        CDevListItem same;
        DiscoveryDatagram::decode(padded, &same);
        FUZZ_CHECK(same.m_hostName == item.m_hostName && same.m_macText == item.m_macText &&
                   same.m_address == item.m_address && same.m_address4 == item.m_address4 &&
                   same.m_leadingWord == item.m_leadingWord);
    }

    // An update from another record copies every announcement field.
    CDevListItem copy;
    copy.updateFrom(item);
    FUZZ_CHECK(copy.m_hostName == item.m_hostName && copy.m_macText == item.m_macText);
    return 0;
}
