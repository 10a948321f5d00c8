#include "ui/MessageBoxes.h"

#include "ui/AppInfo.h"

#include <QPushButton>

QString MessageBoxes::Title()
{
    return QString::fromLatin1(ApplicationName);
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
    m_shown.push_back({Title(), text, icon, buttons, details, actions});
    if (!m_nextAnswers.empty()) {
        const Answer answer = m_nextAnswers.front();
        m_nextAnswers.pop_front();
        return answer;
    }
    if (m_fallbackAnswer)
        return *m_fallbackAnswer;
    QMessageBox box(icon, Title(), text, buttons, parent);
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
