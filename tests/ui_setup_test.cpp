// The Setup dialog and the About box, driven offscreen.

#include "ui/CAboutDlg.h"
#include "ui/CSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

namespace {

template <typename T>
T* Child(const QObject& parent, const QString& name)
{
    T* child = parent.findChild<T*>(name);
    if (child == nullptr)
        throw std::runtime_error("no control named " + name.toStdString());
    return child;
}

QLineEdit* MonthEdit(const CSetup& setup, int month)
{
    return Child<QLineEdit>(setup, QStringLiteral("edit%1").arg(1005 + month));
}

CSetup::MonthNames EnglishMonths()
{
    return {"January", "February", "March",     "April",   "May",      "June",
            "July",    "August",   "September", "October", "November", "December"};
}

}  // namespace

class UiSetupTest : public QObject {
    Q_OBJECT

private slots:
    void controlsAndTexts();
    void tabOrderFollowsTheForm();
    void valuesReachTheControls();
    void dateFormatSelectsItsEntry_data();
    void dateFormatSelectsItsEntry();
    void okTakesEverythingAtOnce();
    void everyWayOfCancellingChangesNothing_data();
    void everyWayOfCancellingChangesNothing();
    void clearedMonthNameIsKeptEmpty();
    void aboutBoxTexts();
};

void UiSetupTest::controlsAndTexts()
{
    CSetup setup;
    QCOMPARE(setup.windowTitle(), QStringLiteral("Setup"));
    QCOMPARE(Child<QPushButton>(setup, QStringLiteral("button1"))->text(), QStringLiteral("OK"));
    QVERIFY(Child<QPushButton>(setup, QStringLiteral("button1"))->isDefault());
    QCOMPARE(Child<QPushButton>(setup, QStringLiteral("button2"))->text(), QStringLiteral("Cancel"));
    QCOMPARE(Child<QCheckBox>(setup, QStringLiteral("check1028"))->text(),
             QStringLiteral("Include sub-seconds \nWill only work with some cameras"));
    QCOMPARE(setup.findChild<QGroupBox*>()->title(), QStringLiteral("Month names"));

    QStringList labels;
    for (const QLabel* label : setup.findChildren<QLabel*>())
        labels << label->text();
    QVERIFY(labels.contains(QStringLiteral("Date format:")));
    for (int month = 1; month <= 12; ++month) {
        QVERIFY(labels.contains(QString::number(month)));
        QVERIFY(MonthEdit(setup, month) != nullptr);
    }

    const auto* combo = Child<QComboBox>(setup, QStringLiteral("combo1018"));
    QVERIFY(!combo->isEditable());
    const QStringList expected{
        QStringLiteral("YYYY:MM:DD HH:MI:SS"), QStringLiteral("DD month YYYY HH:MI:SS"),
        QStringLiteral("month DD YYYY HH:MI:SS"), QStringLiteral("YYYY-MM-DD HH:MI.SS"),
        QStringLiteral("DD-MM-YYYY HH:MI:SS"), QStringLiteral("DD/MM/YYYY HH:MI:SS"),
        QStringLiteral("MM/DD/YYYY HH:MI:SS"), QStringLiteral("DD.MM.YYYY HH:MI:SS"),
        QStringLiteral("YYYY/MM/DD HH:MI:SS")};
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    QCOMPARE(entries, expected);
}

void UiSetupTest::tabOrderFollowsTheForm()
{
    CSetup setup;
    QStringList expected{QStringLiteral("button1"), QStringLiteral("button2")};
    for (int month = 1; month <= 12; ++month)
        expected << QStringLiteral("edit%1").arg(1005 + month);
    expected << QStringLiteral("combo1018") << QStringLiteral("check1028");
    QStringList seen;
    QWidget* widget = Child<QPushButton>(setup, QStringLiteral("button1"));
    for (int step = 0; step < 200 && seen.size() < expected.size(); ++step) {
        if (expected.contains(widget->objectName()) && !seen.contains(widget->objectName()))
            seen << widget->objectName();
        widget = widget->nextInFocusChain();
    }
    QCOMPARE(seen, expected);
}

void UiSetupTest::valuesReachTheControls()
{
    CSetup setup;
    setup.SetValues(EnglishMonths(), 5, 1);
    for (int month = 1; month <= 12; ++month)
        QCOMPARE(MonthEdit(setup, month)->text(), QString::fromStdString(EnglishMonths()[month - 1]));
    QCOMPARE(Child<QComboBox>(setup, QStringLiteral("combo1018"))->currentText(), QStringLiteral("DD/MM/YYYY HH:MI:SS"));
    QVERIFY(Child<QCheckBox>(setup, QStringLiteral("check1028"))->isChecked());
}

void UiSetupTest::dateFormatSelectsItsEntry_data()
{
    QTest::addColumn<int>("dateFormat");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::newRow("3") << 3 << 3 << QStringLiteral("YYYY-MM-DD HH:MI.SS");
    QTest::newRow("0") << 0 << 0 << QStringLiteral("YYYY:MM:DD HH:MI:SS");
    QTest::newRow("8") << 8 << 8 << QStringLiteral("YYYY/MM/DD HH:MI:SS");
    QTest::newRow("9") << 9 << -1 << QString();
    QTest::newRow("12") << 12 << -1 << QString();
    QTest::newRow("-1") << -1 << -1 << QString();
}

void UiSetupTest::dateFormatSelectsItsEntry()
{
    QFETCH(int, dateFormat);
    QFETCH(int, index);
    QFETCH(QString, text);
    CSetup setup;
    setup.SetValues(EnglishMonths(), dateFormat, 0);
    auto* combo = Child<QComboBox>(setup, QStringLiteral("combo1018"));
    QCOMPARE(combo->currentIndex(), index);
    QCOMPARE(combo->currentText(), text);

    // OK without choosing keeps the selection as it is: none gives -1.
    setup.show();
    QVERIFY(QTest::qWaitForWindowExposed(&setup));
    Child<QPushButton>(setup, QStringLiteral("button1"))->click();
    QCOMPARE(setup.result(), int(QDialog::Accepted));
    QCOMPARE(setup.GetDateFormat(), index);
}

void UiSetupTest::okTakesEverythingAtOnce()
{
    CSetup setup;
    setup.SetValues(EnglishMonths(), 0, 0);
    setup.show();
    QVERIFY(QTest::qWaitForWindowExposed(&setup));
    for (int month = 1; month <= 12; ++month) {
        auto* edit = MonthEdit(setup, month);
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("Mois%1").arg(month));
    }
    Child<QComboBox>(setup, QStringLiteral("combo1018"))->setCurrentIndex(7);
    Child<QCheckBox>(setup, QStringLiteral("check1028"))->setChecked(true);

    // Nothing is taken before OK.
    QCOMPARE(setup.GetMonthNames(), EnglishMonths());
    QCOMPARE(setup.GetDateFormat(), 0);
    QCOMPARE(setup.GetSubSeconds(), 0);

    Child<QPushButton>(setup, QStringLiteral("button1"))->click();
    QCOMPARE(setup.result(), int(QDialog::Accepted));
    for (int month = 1; month <= 12; ++month)
        QCOMPARE(setup.GetMonthNames()[month - 1], "Mois" + std::to_string(month));
    QCOMPARE(setup.GetDateFormat(), 7);
    QCOMPARE(setup.GetSubSeconds(), 1);
}

void UiSetupTest::everyWayOfCancellingChangesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << QStringLiteral("cancel");
    QTest::newRow("Escape") << QStringLiteral("escape");
    QTest::newRow("close box") << QStringLiteral("close");
}

void UiSetupTest::everyWayOfCancellingChangesNothing()
{
    QFETCH(QString, how);
    CSetup setup;
    setup.SetValues(EnglishMonths(), 2, 1);
    setup.show();
    QVERIFY(QTest::qWaitForWindowExposed(&setup));
    for (int month = 1; month <= 12; ++month)
        MonthEdit(setup, month)->setText(QStringLiteral("changed"));
    Child<QComboBox>(setup, QStringLiteral("combo1018"))->setCurrentIndex(6);
    Child<QCheckBox>(setup, QStringLiteral("check1028"))->setChecked(false);

    if (how == QLatin1String("cancel")) {
        Child<QPushButton>(setup, QStringLiteral("button2"))->click();
    } else if (how == QLatin1String("escape")) {
        auto* edit = MonthEdit(setup, 3);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Escape);
    } else {
        setup.close();
    }
    QVERIFY(!setup.isVisible());
    QCOMPARE(setup.result(), int(QDialog::Rejected));
    QCOMPARE(setup.GetMonthNames(), EnglishMonths());
    QCOMPARE(setup.GetDateFormat(), 2);
    QCOMPARE(setup.GetSubSeconds(), 1);
}

void UiSetupTest::clearedMonthNameIsKeptEmpty()
{
    CSetup setup;
    setup.SetValues(EnglishMonths(), 1, 0);
    MonthEdit(setup, 5)->clear();
    setup.accept();
    CSetup::MonthNames expected = EnglishMonths();
    expected[4].clear();
    QCOMPARE(setup.GetMonthNames(), expected);
}

void UiSetupTest::aboutBoxTexts()
{
    CAboutDlg about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Fotoharvester"));
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>())
        texts << label->text();
    QVERIFY(texts.contains(QStringLiteral("Fotoharvester " PROJECT_VERSION_TEXT " Beta")));
    const QString notice = texts.join(QLatin1Char('\n'));
    QVERIFY(notice.contains(QStringLiteral("This software uses the FreeImage open source image library.")));
    QVERIFY(notice.contains(QStringLiteral("FreeImage is used under the FreeImage Public License version 1.0.")));
    auto* ok = Child<QPushButton>(about, QStringLiteral("button1"));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    ok->click();
    QVERIFY(!about.isVisible());
}

int main(int argc, char* argv[])
{
    // These dialogs never touch the settings store; keep the user's out of reach all the same.
    const QString base = qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") ? QDir::tempPath()
                                                                          : qEnvironmentVariable("XDG_CONFIG_HOME");
    QDir().mkpath(base);
    QTemporaryDir configHome(QDir(base).filePath(QStringLiteral("ui-setup-XXXXXX")));
    if (!configHome.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication application(argc, argv);
    UiSetupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_setup_test.moc"
