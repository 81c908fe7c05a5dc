#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;

// A modal keypad of large buttons for typing a PIN on a touch screen: ten digits, a back key, OK
// and Cancel; digits, Backspace, Enter and Escape from a keyboard work as well. It shows one dot
// per digit, never a digit. Accepted by OK or Enter; rejected by Cancel, Escape, or IdleTimeout ms
// without input.
class CPinKeypad : public QDialog
{
    Q_OBJECT

public:
    static constexpr int IdleTimeout = 30000; // ms

    CPinKeypad(QWidget *parent, int idleTimeout = IdleTimeout);
    ~CPinKeypad() override;

    // What was typed.
    QString pin() const { return m_pin; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void onDigit();
    void onBack();

private:
    void setPin(const QString &pin);
    void typeDigit(QChar digit);

    QString m_pin;
    QLabel *m_dots = nullptr;
    QTimer m_idleTimer;
};
