#include "ui/MessageBoxes.h"

#include "ui/AppInfo.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace {

constexpr QChar wordJoiner(0x2060);  // no line break here
constexpr QChar breakHere(0x200B);   // a zero-width space: a line may break here

QString WithoutBreakMarks(QString text)
{
    return text.remove(wordJoiner).remove(breakHere);
}

// A message box whose Ctrl+C (where Qt gives it one: on Windows) copies the text as it is, without
// the marks that steer its breaks.
class Box : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        QMessageBox::keyPressEvent(event);
        if (event != QKeySequence::Copy)
            return;
        QClipboard* clipboard = QGuiApplication::clipboard();
        const QString copied = clipboard->text();
        if (copied.contains(wordJoiner) || copied.contains(breakHere))
            clipboard->setText(WithoutBreakMarks(copied));
    }
};

}  // namespace

QString MessageBoxes::Title()
{
    return QString::fromLatin1(ApplicationName);
}

QString MessageBoxes::PathShown(const QString& path)
{
    QString shown;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path[i];
        shown += c;
        // Never between the halves of a character, nor before an accent that belongs to the letter.
        if (i + 1 == path.size() || c.isHighSurrogate() || path[i + 1].isMark())
            continue;
        shown += c == QLatin1Char('/') || c == QLatin1Char('\\') ? breakHere : wordJoiner;
    }
    return shown;
}

QMessageBox::StandardButton MessageBoxes::Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                               QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton, const QString& details)
{
    return Ask(parent, icon, text, buttons, defaultButton, details, {}).button;
}

MessageBoxes::Answer MessageBoxes::Ask(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                       QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
                                       const QString& details, const QStringList& actions)
{
    m_shown.push_back({Title(), WithoutBreakMarks(text), icon, buttons, defaultButton, details, actions});
    if (!m_nextAnswers.empty()) {
        const Answer answer = m_nextAnswers.front();
        m_nextAnswers.pop_front();
        return answer;
    }
    if (m_fallbackAnswer)
        return *m_fallbackAnswer;
    Box box(icon, Title(), text, buttons, parent);
    // Paths may hold "<" or "&": the texts are never markup.
    box.setTextFormat(Qt::PlainText);
    std::vector<QPushButton*> actionButtons;
    for (const QString& action : actions)
        actionButtons.push_back(box.addButton(action, QMessageBox::ActionRole));
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.exec();
    for (std::size_t index = 0; index < actionButtons.size(); ++index)
        if (box.clickedButton() == actionButtons[index])
            return Answer::Action(static_cast<int>(index));
    return box.standardButton(box.clickedButton());
}
