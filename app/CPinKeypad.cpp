#include "CPinKeypad.h"

#include "WallKeys.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

CPinKeypad::CPinKeypad(QWidget *parent, int idleTimeout) : QDialog(parent)
{
    setWindowTitle(tr("PIN"));
    setModal(true);

    // Keys a finger hits: a twelfth of the screen's height each.
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int key = qMax(64, screen ? screen->geometry().height() / 12 : 0);
    QFont font = this->font();
    font.setPixelSize(key * 2 / 5);
    setFont(font);

    auto *grid = new QGridLayout(this);
    m_dots = new QLabel;
    m_dots->setAlignment(Qt::AlignCenter);
    m_dots->setMinimumHeight(key);
    grid->addWidget(m_dots, 0, 0, 1, 3);

    auto addKey = [&](const QString &text, const QString &name, int row, int column,
                      const char *slot) {
        auto *button = new QPushButton(text);
        button->setObjectName(name);
        button->setMinimumSize(key * 3 / 2, key);
        button->setFocusPolicy(Qt::NoFocus); // the keys go to the dialog
        button->setAutoDefault(false);
        connect(button, SIGNAL(clicked()), this, slot);
        grid->addWidget(button, row, column);
    };
    for (int digit = 1; digit <= 9; ++digit)
        addKey(QString::number(digit), QStringLiteral("key%1").arg(digit), 1 + (digit - 1) / 3,
               (digit - 1) % 3, SLOT(onDigit()));
    addKey(QStringLiteral("\u232b"), QStringLiteral("keyBack"), 4, 0, SLOT(onBack()));
    addKey(QStringLiteral("0"), QStringLiteral("key0"), 4, 1, SLOT(onDigit()));
    addKey(tr("OK"), QStringLiteral("keyOk"), 4, 2, SLOT(accept()));
    auto *cancel = new QPushButton(tr("Cancel"));
    cancel->setObjectName(QStringLiteral("keyCancel"));
    cancel->setMinimumHeight(key);
    cancel->setFocusPolicy(Qt::NoFocus);
    cancel->setAutoDefault(false);
    connect(cancel, SIGNAL(clicked()), this, SLOT(reject()));
    grid->addWidget(cancel, 5, 0, 1, 3);

    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(idleTimeout);
    connect(&m_idleTimer, SIGNAL(timeout()), this, SLOT(reject()));
    m_idleTimer.start();
    setPin(QString());
}

CPinKeypad::~CPinKeypad() = default;

void CPinKeypad::setPin(const QString &pin)
{
    m_pin = pin;
    m_dots->setText(pin.isEmpty() ? tr("PIN") : QString(pin.size(), QChar(0x25cf)));
    m_idleTimer.start();
}

void CPinKeypad::typeDigit(QChar digit)
{
    if (m_pin.size() < SetupPinMaxDigits)
        setPin(m_pin + digit);
    else
        m_idleTimer.start(); // still input
}

void CPinKeypad::onDigit()
{
    if (auto *button = qobject_cast<QPushButton *>(sender()))
        typeDigit(button->text().at(0));
}

void CPinKeypad::onBack()
{
    setPin(m_pin.left(m_pin.size() - 1));
}

void CPinKeypad::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        typeDigit(QChar('0' + (key - Qt::Key_0)));
    } else if (key == Qt::Key_Backspace) {
        onBack();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        accept();
    } else {
        QDialog::keyPressEvent(event); // Escape rejects
    }
}
