#include "CNodeWidget.h"

#include "CDynLabel.h"
#include "CSettings.h"
#include "CStretchItem.h"
#include "CTrendStore.h"
#include "CTrendWidget.h"
#include "DeviceName.h"
#include "SensorAnswer.h"
#include "StatusColors.h"

#include <QDateTime>
#include <QDebug>
#include <QGridLayout>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <cmath>

namespace {

// The smallest span a trend shows: noise of 0.1 must not fill its cell.
const float trendMinSpan[2] = {2.0f, 5.0f};

const QString degreeCelsius = QStringLiteral("\u00b0C");

} // namespace

CNodeWidget::CNodeWidget(int row, int column, QWidget *parent)
    : QWidget(parent), m_row(row), m_column(column)
{
    buildDisplay();

    connect(&m_manager, SIGNAL(finished(QNetworkReply *)), this, SLOT(onResponse(QNetworkReply *)));

    auto *timer = new QTimer(this);
    connect(timer, SIGNAL(timeout()), this, SLOT(onSendRequest()));
    timer->start(1000);
    m_sinceReadings.start();

    // The environment's interval is for demos and tests, which cannot wait minutes for a sample.
    if (m_trend[0] || m_trend[1]) {
        const int intervalMs =
            historyIntervalMs(g_settings->m_refreshHistory, qgetenv("BRIMO_HISTORY_INTERVAL_MS"));
        m_trendStore.reset(
            new CTrendStore(m_row, m_column, g_settings->m_host[m_row][m_column], intervalMs));
        const std::array<QVector<float>, 2> resumed =
            m_trendStore->load(QDateTime::currentMSecsSinceEpoch());
        for (int sensor = 0; sensor < 2; ++sensor) {
            for (int i = 0; m_trend[sensor] && i < resumed[sensor].size(); ++i)
                m_trend[sensor]->addSample(resumed[sensor][i]);
        }
        auto *historyTimer = new QTimer(this);
        connect(historyTimer, SIGNAL(timeout()), this, SLOT(onHistoryTick()));
        historyTimer->start(intervalMs);
    }
}

CNodeWidget::~CNodeWidget() = default;

QSize CNodeWidget::sizeHint() const
{
    return QWidget::sizeHint();
}

QSize CNodeWidget::minimumSizeHint() const
{
    return QWidget::minimumSizeHint();
}

void CNodeWidget::setUrl(const QString &url)
{
    m_url = QUrl(url, QUrl::TolerantMode);
}

void CNodeWidget::buildDisplay()
{
    m_enableFlags = g_settings->m_enableFlags[m_row][m_column];
    const DisplaySize &sizes = g_settings->m_displaySizes[m_row][m_column];
    m_columnStretch[0] = sizes.history;
    m_columnStretch[1] = sizes.value;
    m_columnStretch[2] = sizes.unit;

    // The frame colour shows wherever no label covers the tile.
    QPalette p = palette();
    p.setBrush(QPalette::All, QPalette::Window, QBrush(g_settings->m_frameColor));
    setAutoFillBackground(true);
    setPalette(p);

    m_grid = new QGridLayout(this);

    // With a caption the sensors move one row down, below it.
    const QString name =
        g_settings->m_showNames ? deviceName(g_settings->m_host[m_row][m_column]) : QString();
    const int firstRow = name.isEmpty() ? 0 : 1;
    if (!name.isEmpty()) {
        m_caption = new CDynLabel(name);
        m_caption->setAlignment(Qt::AlignCenter);
        m_grid->addWidget(m_caption, 0, 0, 1, 3);
    }

    // Value and unit of each sensor meet at the border of columns 1 and 2.
    const QString unitTexts[3] = {degreeCelsius, QStringLiteral("% rF"), degreeCelsius};
    const quint8 valueBits[3] = {EnableTemperatureValue, EnableHumidityValue, EnableDewpointValue};
    const quint8 unitBits[3] = {EnableTemperatureUnit, EnableHumidityUnit, EnableDewpointUnit};
    for (int sensor = 0; sensor < 3; ++sensor) {
        if (m_enableFlags & valueBits[sensor]) {
            m_valueLabel[sensor] = new CDynLabel(QString());
            m_valueLabel[sensor]->setAlignment(Qt::AlignRight | Qt::AlignTop);
            CStretchItem::addTo(m_grid, m_valueLabel[sensor], firstRow + sensor, 1);
        }
        if (m_enableFlags & unitBits[sensor]) {
            m_unitLabel[sensor] = new CDynLabel(unitTexts[sensor]);
            m_unitLabel[sensor]->setAlignment(Qt::AlignTop);
            CStretchItem::addTo(m_grid, m_unitLabel[sensor], firstRow + sensor, 2);
        }
    }

    // Trends for the sensors whose history bit is set; the dew point has none.
    const quint8 historyBits[2] = {EnableTemperatureHistory, EnableHumidityHistory};
    for (int sensor = 0; g_settings->m_showHistory && sensor < 2; ++sensor) {
        if (m_enableFlags & historyBits[sensor]) {
            m_trend[sensor] = new CTrendWidget(trendMinSpan[sensor]);
            m_grid->addWidget(m_trend[sensor], firstRow + sensor, 0);
        }
    }

    for (int column = 0; column < 3; ++column)
        m_grid->setColumnStretch(column, m_columnStretch[column]);

    // The caption band is a sixth of the rows in use: one share of six per sensor row.
    if (m_caption) {
        int usedRows = 0;
        for (int row = firstRow; row < firstRow + 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                if (m_grid->itemAtPosition(row, column)) {
                    m_grid->setRowStretch(row, 5);
                    ++usedRows;
                    break;
                }
            }
        }
        m_grid->setRowStretch(0, qMax(usedRows, 1));
    }

    const CColorSettings &scheme = g_settings->m_colors[m_row][m_column];
    for (int sensor = 0; sensor < 3; ++sensor) {
        if (CDynLabel *label = m_valueLabel[sensor]) {
            label->setAutoFillBackground(true);
            label->setPalette(labelPalette(p, scheme, valueColors[sensor], 0));
        }
        if (CDynLabel *label = m_unitLabel[sensor]) {
            label->setAutoFillBackground(true);
            label->setPalette(labelPalette(p, scheme, unitColors[sensor], 0));
        }
    }
    for (int sensor = 0; sensor < 2; ++sensor) {
        if (m_trend[sensor])
            m_trend[sensor]->setPalette(labelPalette(p, scheme, historyColors[sensor], 0));
    }
    if (m_caption) {
        m_caption->setAutoFillBackground(true);
        updateCaption();
    }
}

bool CNodeWidget::isCritical() const
{
    return !m_stale && (m_status[0] != 0 || m_status[1] != 0 || m_status[2] != 0);
}

// The caption wears the tile's Normal value colours, the Critical ones while any sensor is
// critical.
void CNodeWidget::updateCaption()
{
    // Called with fresh readings only, so never while stale.
    const int status = isCritical() ? 1 : 0;
    wearColors(m_caption, palette(), g_settings->m_colors[m_row][m_column], valueColors[0], status);
}

void CNodeWidget::updateSensor(int sensor, int status, const QString &value, const QString &unit)
{
    // Colours are read afresh, so a changed scheme shows with the next answer.
    const CColorSettings &scheme = g_settings->m_colors[m_row][m_column];
    // A trend changes colour only with its sensor's status or the scheme, so a steady answer does
    // not repaint it.
    if (sensor < 2 && m_trend[sensor]) {
        const float sample = sampleValue(value);
        if (!std::isnan(sample))
            m_lastSample[sensor] = sample;
        wearColors(m_trend[sensor], palette(), scheme, historyColors[sensor], status);
    }
    m_status[sensor] = status;
    if (CDynLabel *label = m_valueLabel[sensor])
        label->setTextAndPalette(
            value, paletteToWear(label, palette(), scheme, valueColors[sensor], status));
    if (CDynLabel *label = m_unitLabel[sensor])
        label->setTextAndPalette(
            unit, paletteToWear(label, palette(), scheme, unitColors[sensor], status));
}

void CNodeWidget::onHistoryTick()
{
    std::array<QVector<float>, 2> samples;
    for (int sensor = 0; sensor < 2; ++sensor) {
        if (m_trend[sensor]) {
            m_trend[sensor]->addSample(m_lastSample[sensor]);
            m_lastSample[sensor] = NoSample; // a gap until the next readings
            samples[sensor] = m_trend[sensor]->samples().latest(HistoryCapacity);
        }
    }
    // A failed write only costs the samples of this interval.
    m_trendStore->save(samples, QDateTime::currentMSecsSinceEpoch());
}

// Where the panel asks for it, a device that has given no readings for StaleAfter seconds shows
// "--" in the Normal colours instead of old values that look live; its units stay.
void CNodeWidget::markStaleWhenDue()
{
    const int staleAfter = g_settings->m_staleAfter;
    if (m_stale || staleAfter <= 0 || m_sinceReadings.elapsed() < qint64(staleAfter) * 1000)
        return;
    m_stale = true;
    const CColorSettings &scheme = g_settings->m_colors[m_row][m_column];
    for (int sensor = 0; sensor < 3; ++sensor) {
        if (CDynLabel *label = m_valueLabel[sensor]) {
            m_liveText[sensor] = label->text();
            m_livePalette[sensor] = label->palette();
            label->setTextAndPalette(QStringLiteral("--"),
                                     labelPalette(palette(), scheme, valueColors[sensor], 0));
        }
    }
}

void CNodeWidget::onSendRequest()
{
    markStaleWhenDue();
    // An answer that did not come within a tick is abandoned.
    if (m_reply) {
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    QNetworkRequest request(m_url);
    // Uncompressed: the access manager inflates a compressed answer whole, before any bound.
    request.setRawHeader("Accept-Encoding", "identity");
    m_reply = m_manager.get(request);
    // Bounds what the reply takes in whatever the device sends. The reply may stop handing data on
    // up to one network block short of its buffer size, so the buffer holds twice the limit: it
    // always takes in more than the limit before it waits.
    m_reply->setReadBufferSize(2 * MaxAnswerBytes + 1);
    connect(m_reply, SIGNAL(readyRead()), this, SLOT(onAnswerArriving()));
}

void CNodeWidget::onAnswerArriving()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply || reply->bytesAvailable() <= MaxAnswerBytes)
        return;
    qDebug().noquote() << QStringLiteral("Answer of %1 too large: over %2 bytes")
                              .arg(reply->url().toString())
                              .arg(MaxAnswerBytes);
    reply->abort(); // finishes the reply at once, with the rest unread
}

void CNodeWidget::onResponse(QNetworkReply *reply)
{
    // Only an answer too large is aborted: it shows nothing, and a newer request stays awaited.
    if (reply->error() == QNetworkReply::OperationCanceledError) {
        if (reply == m_reply)
            m_reply = nullptr;
        reply->deleteLater();
        return;
    }

    // Unquoted: escaping a multi-megabyte answer would hold up the event loop.
    const QString text = answerText(reply->readAll());
    qDebug().noquote() << text;

    // A failed request carries no readings, so it leaves the tile as it was.
    const QVector<SensorReading> readings = sensorReadings(text);
    if (!readings.isEmpty()) {
        m_sinceReadings.restart();
        // Sensors this answer leaves out show again what they showed before the marking.
        if (m_stale) {
            m_stale = false;
            for (int sensor = readings.size(); sensor < 3; ++sensor) {
                if (CDynLabel *label = m_valueLabel[sensor])
                    label->setTextAndPalette(m_liveText[sensor], m_livePalette[sensor]);
            }
        }
    }
    for (int sensor = 0; sensor < readings.size(); ++sensor)
        updateSensor(sensor, readings[sensor].status, readings[sensor].value,
                     readings[sensor].unit);
    if (m_caption && !readings.isEmpty())
        updateCaption();

    reply->deleteLater();
    m_reply = nullptr;
}
