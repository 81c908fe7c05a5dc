#include "SensorAnswer.h"

#include <QTest>

class tst_SensorAnswer : public QObject
{
    Q_OBJECT

private slots:
    void readings_data();
    void readings();
    void textStopsAtNul();
};

// One element of the "sensor" array with the given JSON members.
static QByteArray answer(const QByteArray &elements)
{
    return "{\"sensor\":[" + elements + "]}";
}

void tst_SensorAnswer::readings_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("expected"); // "status|value|unit" per reading

    const QString deg = QStringLiteral("\u00b0");

    QTest::newRow("device answer")
        << QByteArray(R"({"name":"x","sensor":[{"status":"0","value":"21.50","unit":"&deg;C"},)"
                      R"({"status":"1","value":"45.2","unit":"% rF"},)"
                      R"({"status":"2","value":"-3.0","unit":"&deg;C"}]})")
        << QStringList{"0|21.50|" + deg + "C", "1|45.2|% rF", "2|-3.0|" + deg + "C"};

    // Status: a decimal string; anything else reads as 0.
    QTest::newRow("status -1") << answer(R"({"status":"-1"})") << QStringList{"-1||"};
    QTest::newRow("status empty") << answer(R"({"status":""})") << QStringList{"0||"};
    QTest::newRow("status not a number") << answer(R"({"status":"x"})") << QStringList{"0||"};
    QTest::newRow("status as number") << answer(R"({"status":2})") << QStringList{"0||"};
    QTest::newRow("status missing") << answer(R"({"value":"1"})") << QStringList{"0|1|"};

    // Value: a string verbatim; a number is no text.
    QTest::newRow("value as number") << answer(R"({"value":21.5})") << QStringList{"0||"};
    QTest::newRow("value with blanks") << answer(R"({"value":" "})") << QStringList{"0| |"};

    // Unit: "&deg;" exactly, everywhere in the text.
    QTest::newRow("entity in capitals")
        << answer(R"({"unit":"&DEG;C"})") << QStringList{"0||&DEG;C"};
    QTest::newRow("two entities") << answer(R"({"unit":"&deg;C/&deg;F"})")
                                  << QStringList{"0||" + deg + "C/" + deg + "F"};
    QTest::newRow("raw degree sign") << answer("{\"unit\":\"\xc2\xb0"
                                               "C\"}")
                                     << QStringList{"0||" + deg + "C"};
    QTest::newRow("unit as number") << answer(R"({"unit":1})") << QStringList{"0||"};

    // Elements: position decides the sensor; more than three are ignored.
    QTest::newRow("fourth element ignored")
        << answer(R"({"value":"a"},{"value":"b"},{"value":"c"},{"value":"d"})")
        << QStringList{"0|a|", "0|b|", "0|c|"};
    QTest::newRow("two elements") << answer(R"({"value":"a"},{"value":"b"})")
                                  << QStringList{"0|a|", "0|b|"};
    QTest::newRow("non-object elements")
        << answer(R"(1,"x",null)") << QStringList{"0||", "0||", "0||"};

    // Answers without readings.
    QTest::newRow("empty sensor array") << answer("") << QStringList();
    QTest::newRow("empty body") << QByteArray() << QStringList();
    QTest::newRow("not JSON") << QByteArray("<html>404</html>") << QStringList();
    QTest::newRow("top level array") << QByteArray(R"([{"sensor":[{}]}])") << QStringList();
    QTest::newRow("no sensor") << QByteArray(R"({"sensors":[{}]})") << QStringList();
    QTest::newRow("sensor not an array") << QByteArray(R"({"sensor":{"0":{}}})") << QStringList();
    QTest::newRow("truncated") << QByteArray(R"({"sensor":[{"value":"1"})") << QStringList();

    // A key repeated after an array or object value: the JSON parser would leak that value on
    // every answer, so such an answer is refused whole. Other repeats keep the last value.
    QTest::newRow("key repeated after an object")
        << answer(R"({"unit":{"a":1},"unit":"F","value":"1"})") << QStringList();
    QTest::newRow("key repeated after an array, escaped")
        << QByteArray(R"({"sensor":[],"\u0073ensor":[{"value":"1"}]})") << QStringList();
    QTest::newRow("key repeated after a scalar")
        << answer(R"({"value":"1","value":"2"})") << QStringList{"0|2|"};
    QTest::newRow("key repeated after an array, other keys between")
        << answer(R"({"unit":[1],"value":"v","unit":"u"})") << QStringList();
    QTest::newRow("scalar replaced by an array")
        << answer(R"({"unit":"u","unit":[1],"value":"v"})") << QStringList{"0|v|"};
    QTest::newRow("same key in sibling objects")
        << answer(R"({"value":"a","x":{"k":[1]}},{"value":"b","x":{"k":[2]}})")
        << QStringList{"0|a|", "0|b|"};

    // The body counts up to the first NUL byte.
    QTest::newRow("NUL after the document")
        << QByteArray(R"({"sensor":[{"value":"1"}]})") + QByteArray("\0junk", 5)
        << QStringList{"0|1|"};
    QTest::newRow("NUL inside the document")
        << QByteArray(R"({"sensor":[{"value":"1"})") + QByteArray("\0]}", 3) << QStringList();
}

void tst_SensorAnswer::readings()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, expected);

    QStringList actual;
    const QVector<SensorReading> readings = sensorReadings(body);
    for (const SensorReading &r : readings)
        actual << QString::number(r.status) + '|' + r.value + '|' + r.unit;
    QCOMPARE(actual, expected);
}

void tst_SensorAnswer::textStopsAtNul()
{
    QCOMPARE(answerText(QByteArray("ab\xc2\xb0\0cd", 7)), QStringLiteral("ab\u00b0"));
    QCOMPARE(answerText(QByteArray()), QString());
}

QTEST_APPLESS_MAIN(tst_SensorAnswer)
#include "tst_sensoranswer.moc"
