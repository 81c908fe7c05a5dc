#include "CDynLabel.h"

#include "FontFit.h"
#include "QtCompat.h"
#include "TextChange.h"

#include <QFontMetrics>
#include <QTextDocument>

CDynLabel::CDynLabel(const QString &text, QWidget *parent, Qt::WindowFlags f)
    : QLabel(text, parent, f)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

QSize CDynLabel::sizeHint() const
{
    return QSize(100, 100);
}

QSize CDynLabel::minimumSizeHint() const
{
    return QLabel::minimumSizeHint();
}

void CDynLabel::setTextAndPalette(const QString &text, const QPalette &palette)
{
    // QLabel::setText asks for a repaint of the whole label, while a new reading mostly changes a
    // digit or two: the label holds that request back and asks for the glyphs that changed once
    // the font is fitted. Only a line of plain text can be repainted in part: what QLabel takes
    // for rich text it lays out as a document.
    const QString before = this->text();
    const QFont fontBefore = font();
    const bool hold = text != before && isVisible() && updatesEnabled() && !isRichText(before) &&
                      !isRichText(text);
    if (hold) {
        // Qt documents no way to change a label's text without a repaint of all of it:
        // setUpdatesEnabled(true) asks for that repaint itself, so the label clears the two
        // attributes setUpdatesEnabled(false) set (neither is set otherwise: the label is shown
        // and its updates are enabled) and leaves its parent alone.
        setUpdatesEnabled(false);
        setText(text);
        setAttribute(Qt::WA_ForceUpdatesDisabled, false);
        setAttribute(Qt::WA_UpdatesDisabled, false);
    } else {
        setText(text);
    }
    resizeEvent(nullptr);
    // Resolving a palette against the inherited one is the costly part of setting it; an equal
    // palette (values and which roles are set) would be no change.
    const bool newPalette =
        palette != this->palette() ||
        QtCompat::resolveMask(palette) != QtCompat::resolveMask(this->palette());
    if (newPalette)
        setPalette(palette);
    // A new font or palette has asked for the whole label already.
    if (hold && !newPalette && font() == fontBefore) {
        TextLine after = layOutLine(text, font());
        if (m_line.text != before || m_line.font != font())
            m_line = layOutLine(before, font());
        update(changedTextArea(m_line, after, contentsRect(), alignment()));
        m_line = std::move(after);
    }
}

bool CDynLabel::isRichText(const QString &text) const
{
    return textFormat() == Qt::RichText ||
           (textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
}

void CDynLabel::resizeEvent(QResizeEvent *event)
{
    if (event)
        QWidget::resizeEvent(event);
    fitFont();
}

void CDynLabel::fitFont()
{
    QFont f = font();
    const QRect contents = contentsRect();
    if (text().isEmpty())
        return;
    // The same text in the same cell, and the font still the one fitted to them: it would fit the
    // same again.
    if (text() == m_measuredText && contents.size() == m_fittedContents && f == m_fittedFont &&
        QtCompat::resolveMask(f) == QtCompat::resolveMask(m_fittedFont))
        return;
    f.setWeight(QFont::Bold);

    // Measure once at 100 px and scale linearly from there.
    QFont probe = f;
    probe.setPixelSize(100);
    if (text() != m_measuredText || probe != m_measuredFont) {
        m_measuredInk = QFontMetrics(probe).boundingRect(text()).size();
        m_measuredText = text();
        m_measuredFont = probe;
    }
    const std::optional<int> size = fittedPixelSize(contents.size(), m_measuredInk);
    if (!size)
        return;

    f.setPixelSize(*size);
    // As with the palette: an equal font would be no change, only resolved at a cost.
    if (f != font() || QtCompat::resolveMask(f) != QtCompat::resolveMask(font()))
        setFont(f);
    // A size QFont rejects (below 1 px) is tried, and warned about, again on the next fitting.
    if (f.pixelSize() == *size) {
        m_fittedContents = contents.size();
        m_fittedFont = font();
    }
}
