#pragma once

#include <QMessageBox>
#include <QString>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

// Every message box of the window goes through here, so that a test can answer them without a
// box ever blocking: answers queued with setNextAnswers are taken in order instead of asking the
// user, and every message is remembered for the test to read.
class MessageBoxes {
public:
    struct Shown {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QString details;
    };

    // The title of every box: the program's name, as the user sees it in the task bar.
    static QString Title();

    // `details`, when given, is shown behind the box's "Show Details..." button.
    QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                     QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
                                     const QString& details = QString());

    void setNextAnswers(std::deque<QMessageBox::StandardButton> answers) { m_nextAnswers = std::move(answers); }
    // For tests: once the queued answers are used up, answer with this instead of showing a box
    // that nobody would close. A question answered NoButton counts as No.
    void setAnswerWhenNoneQueued(std::optional<QMessageBox::StandardButton> answer) { m_fallbackAnswer = answer; }
    bool hasPendingAnswers() const { return !m_nextAnswers.empty(); }
    const std::vector<Shown>& shown() const { return m_shown; }
    void clearShown() { m_shown.clear(); }

private:
    std::deque<QMessageBox::StandardButton> m_nextAnswers;
    std::optional<QMessageBox::StandardButton> m_fallbackAnswer;
    std::vector<Shown> m_shown;
};
