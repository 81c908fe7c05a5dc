#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The fuzzers' input as a byte array that does not copy it.
inline QByteArray fuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
}

// A broken property is a finding like a crash: libFuzzer keeps the input that aborts.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// The product's debug lines and Qt's warnings would only slow the search down.
inline void silenceQtMessages()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}
