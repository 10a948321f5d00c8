#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

// Every message box of the window goes through here, so that a test can answer them without a
// box ever blocking: answers queued with setNextAnswers are taken in order instead of asking the
// user, and every message is remembered for the test to read.
class MessageBoxes {
public:
    // What the user pressed: a standard button, or one of the box's own actions by its index.
    struct Answer {
        Answer(QMessageBox::StandardButton button = QMessageBox::NoButton) : button(button) {}
        static Answer Action(int index)
        {
            Answer answer;
            answer.action = index;
            return answer;
        }

        QMessageBox::StandardButton button;
        int action = -1;  // -1 when a standard button was pressed
    };

    struct Shown {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
        QString details;
        QStringList actions;
    };

    // The title of every box: the program's name, as the user sees it in the task bar.
    static QString Title();
    // A path as a box's text is to show it: on one line, or broken after a separator, never inside
    // a name at a hyphen or a blank. Invisible marks do it, which the box leaves out of what it
    // records and of what Ctrl+C copies.
    static QString PathShown(const QString& path);

    // `details`, when given, is shown behind the box's "Show Details..." button.
    QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                     QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
                                     const QString& details = QString());
    // Like Show, with `actions` as buttons of the box's own ("Open file") before the standard ones.
    Answer Ask(QWidget* parent, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
               QMessageBox::StandardButton defaultButton, const QString& details, const QStringList& actions);

    void setNextAnswers(std::deque<Answer> answers) { m_nextAnswers = std::move(answers); }
    // For tests: once the queued answers are used up, answer with this instead of showing a box
    // that nobody would close. A question answered NoButton counts as No.
    void setAnswerWhenNoneQueued(std::optional<QMessageBox::StandardButton> answer) { m_fallbackAnswer = answer; }
    const std::vector<Shown>& shown() const { return m_shown; }

private:
    std::deque<Answer> m_nextAnswers;
    std::optional<QMessageBox::StandardButton> m_fallbackAnswer;
    std::vector<Shown> m_shown;
};
