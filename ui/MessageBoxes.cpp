#include "ui/MessageBoxes.h"

#include "ui/AppInfo.h"

QString MessageBoxes::Title()
{
    return QString::fromLatin1(ApplicationName);
}

QMessageBox::StandardButton MessageBoxes::Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                               QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton, const QString& details)
{
    m_shown.push_back({Title(), text, icon, buttons, details});
    if (!m_nextAnswers.empty()) {
        const QMessageBox::StandardButton answer = m_nextAnswers.front();
        m_nextAnswers.pop_front();
        return answer;
    }
    if (m_fallbackAnswer)
        return *m_fallbackAnswer;
    QMessageBox box(icon, Title(), text, buttons, parent);
    // Paths may hold "<" or "&": the texts are never markup.
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    if (!details.isEmpty())
        box.setDetailedText(details);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
