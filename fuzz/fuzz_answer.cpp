// The tiles' answer parsing: any body a device (or anything posing as one) may send.
#include "FuzzSupport.h"
#include "SensorAnswer.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = fuzzBytes(data, size);
    const QString text = answerText(body);
    FUZZ_CHECK(text.size() <= body.size());

    const QVector<SensorReading> readings = sensorReadings(body);
    FUZZ_CHECK(readings.size() <= 3);
    for (const SensorReading &reading : readings)
        FUZZ_CHECK(!reading.unit.contains(QLatin1String("&deg;")));
    return 0;
}
