// The update path of one tile with six labels: one device answer from parsing to fitted and
// repainted labels, and one font fitting of a label. Run offscreen.
#include "CDynLabel.h"
#include "CNodeWidget.h"
#include "CSettings.h"
#include "SensorAnswer.h"
#include "SettingsFixture.h"

#include <QNetworkReply>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// A finished reply holding a canned body, handed to the tile as its manager would.
class CannedReply : public QNetworkReply
{
public:
    explicit CannedReply(const QByteArray &body) : m_body(body)
    {
        open(ReadOnly | Unbuffered);
        setFinished(true);
    }
    void abort() override {}
    qint64 bytesAvailable() const override
    {
        return m_body.size() - m_pos + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = qMin<qint64>(maxSize, m_body.size() - m_pos);
        memcpy(data, m_body.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }

private:
    QByteArray m_body;
    qint64 m_pos = 0;
};

QByteArray answer(const char *temperature, const char *humidity, const char *dewpoint)
{
    return QByteArray("{\"sensor\":[{\"status\":\"0\",\"value\":\"") + temperature +
           "\",\"unit\":\"&deg;C\"},{\"status\":\"0\",\"value\":\"" + humidity +
           "\",\"unit\":\"% rF\"},{\"status\":\"0\",\"value\":\"" + dewpoint +
           "\",\"unit\":\"&deg;C\"}]}";
}

// What the event loop does after a slot returns: pending layouts, paints and deletions.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Exposes the fitting that a resize runs.
class FittingLabel : public CDynLabel
{
public:
    using CDynLabel::CDynLabel;
    void fit() { resizeEvent(nullptr); }
};

// Answers are written to the debug stream; keep them out of the output but not out of the
// figures: the message is still built and handed to this handler.
void quietDebug(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg)
        qt_message_output(type, context, message);
}

} // namespace

class BenchUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void parseAnswer();
    void answerUnchanged();
    void answerChanged();
    void answerChangedRepaint();
    void answerChangedQuiet();
    void fitLabel();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && qobject_cast<CDynLabel *>(watched))
            ++m_paints;
        return QObject::eventFilter(watched, event);
    }

private:
    void feed(const QByteArray &body)
    {
        ++m_answers;
        m_tile->onResponse(new CannedReply(body));
    }
    double paintsPerAnswer() const { return double(m_paints) / qMax(1, m_answers); }

    QScopedPointer<SettingsFixture> m_settings;
    QWidget m_window;
    CNodeWidget *m_tile = nullptr;
    int m_paints = m_answers = 0;
    int m_answers = 0;
    const QByteArray m_answerA = answer("21.5", "45.0", "9.2");
    const QByteArray m_answerB = answer("21.6", "45.1", "9.3");
};

void BenchUpdate::initTestCase()
{
    m_settings.reset(new SettingsFixture);
    g_settings->m_enableFlags[0][0] = 0xff; // all six labels
    g_settings->m_displaySizes[0][0] = {1, 3, 1};

    // One ninth of a 1920 x 1080 panel.
    auto *layout = new QVBoxLayout(&m_window);
    m_tile = new CNodeWidget(0, 0, &m_window);
    layout->addWidget(m_tile);
    m_window.resize(640, 360);
    m_window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_window));
    feed(m_answerA);
    settle();
    const auto labels = m_tile->findChildren<CDynLabel *>();
    QCOMPARE(labels.size(), 6);
    for (CDynLabel *label : labels)
        label->installEventFilter(this);
    qInstallMessageHandler(quietDebug);
}

void BenchUpdate::parseAnswer()
{
    QBENCHMARK
    {
        const QVector<SensorReading> readings = sensorReadings(m_answerA);
        QCOMPARE(readings.size(), 3);
    }
}

// The common case on a wall: the device reports what it reported a second ago.
void BenchUpdate::answerUnchanged()
{
    feed(m_answerA);
    settle();
    m_paints = m_answers = 0;
    QBENCHMARK
    {
        feed(m_answerA);
        settle();
    }
    qInfo("label paints per answer: %.2f", paintsPerAnswer());
}

// New values on every answer: the event loop's own work afterwards (layout, painting what changed).
void BenchUpdate::answerChanged()
{
    bool flip = false;
    m_paints = m_answers = 0;
    QBENCHMARK
    {
        feed((flip = !flip) ? m_answerB : m_answerA);
        settle();
    }
    qInfo("label paints per answer: %.2f", paintsPerAnswer());
}

// As answerChanged, and then the whole tile is repainted at once.
void BenchUpdate::answerChangedRepaint()
{
    bool flip = false;
    QBENCHMARK
    {
        feed((flip = !flip) ? m_answerB : m_answerA);
        settle();
        m_tile->repaint();
    }
}

// As answerChanged, with debug output switched off by the logging rules.
void BenchUpdate::answerChangedQuiet()
{
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    bool flip = false;
    QBENCHMARK
    {
        feed((flip = !flip) ? m_answerB : m_answerA);
        settle();
    }
    QLoggingCategory::setFilterRules(QString());
}

// One fitting: measure the text at 100 px and scale the font to the label.
void BenchUpdate::fitLabel()
{
    FittingLabel label(QStringLiteral("21.5"));
    label.resize(384, 110);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    bool flip = false;
    QBENCHMARK
    {
        label.setText((flip = !flip) ? QStringLiteral("21.6") : QStringLiteral("21.5"));
        label.fit();
    }
    QVERIFY(label.font().pixelSize() > 0);
}

QTEST_MAIN(BenchUpdate)
#include "bench_update.moc"
