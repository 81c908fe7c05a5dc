#pragma once

#include "Trend.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QPalette>
#include <QUrl>
#include <QWidget>
#include <memory>

class CDynLabel;
class CTrendStore;
class CTrendWidget;
class QGridLayout;
class QNetworkReply;

// One device tile: polls its device once a second and shows temperature, humidity and dew point,
// each as a value label and a unit label coloured by the status the device reports.
class CNodeWidget : public QWidget
{
    Q_OBJECT

public:
    CNodeWidget(int row, int column, QWidget *parent);
    ~CNodeWidget() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void setUrl(const QString &url);

    // Whether the tile shows any sensor in the Critical colours now (a stale tile shows none).
    bool isCritical() const;

public slots:
    void onSendRequest();
    void onResponse(QNetworkReply *reply);

private slots:
    void onAnswerArriving();
    // Once per history interval: every trend takes the last value read since the previous one.
    void onHistoryTick();

private:
    void buildDisplay();
    void updateSensor(int sensor, int status, const QString &value, const QString &unit);
    void updateCaption();
    void markStaleWhenDue();

    QNetworkAccessManager m_manager;
    int m_row;
    int m_column;
    CDynLabel *m_valueLabel[3] = {};
    CDynLabel *m_unitLabel[3] = {};
    QGridLayout *m_grid = nullptr;
    QUrl m_url;
    int m_columnStretch[3] = {};
    quint8 m_enableFlags = 0;
    QNetworkReply *m_reply = nullptr;
    // The device's name across the top, when names are shown and the slot's host text has one.
    CDynLabel *m_caption = nullptr;
    int m_status[3] = {};
    // Trends of temperature and humidity, when history is shown and the slot enables them; the
    // value read last in the current history interval, NaN while none was.
    CTrendWidget *m_trend[2] = {};
    float m_lastSample[2] = {NoSample, NoSample};
    std::unique_ptr<CTrendStore> m_trendStore;

    // Stale marking (General/StaleAfter): time since the last answer with readings, or since
    // construction; while marked, what each value label showed before it turned to "--".
    QElapsedTimer m_sinceReadings;
    bool m_stale = false;
    QString m_liveText[3];
    QPalette m_livePalette[3];
};
