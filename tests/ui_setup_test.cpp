// The Setup dialog, driven offscreen.

#include "ui/CSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
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
    void dateFormatSelectsItsEntry_data();
    void dateFormatSelectsItsEntry();
    void okTakesEverythingAtOnce();
    void everyWayOfCancellingChangesNothing_data();
    void everyWayOfCancellingChangesNothing();
    void layoutListShowsTheMomentInEachLayout();
};

void UiSetupTest::dateFormatSelectsItsEntry_data()
{
    QTest::addColumn<int>("dateFormat");
    QTest::addColumn<int>("index");
    QTest::newRow("3") << 3 << 3;
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("8") << 8 << 8;
    QTest::newRow("9") << 9 << -1;
    QTest::newRow("12") << 12 << -1;
    QTest::newRow("-1") << -1 << -1;
}

void UiSetupTest::dateFormatSelectsItsEntry()
{
    QFETCH(int, dateFormat);
    QFETCH(int, index);
    CSetup setup;
    setup.SetValues(EnglishMonths(), dateFormat, dateFormat == 3 ? 1 : 0);
    QCOMPARE(Child<QComboBox>(setup, QStringLiteral("combo1018"))->currentIndex(), index);
    for (int month = 1; month <= 12; ++month)
        QCOMPARE(MonthEdit(setup, month)->text(), QString::fromStdString(EnglishMonths()[month - 1]));
    QCOMPARE(Child<QCheckBox>(setup, QStringLiteral("check1028"))->isChecked(), dateFormat == 3);

    // OK without choosing keeps the selection as it is: none gives -1.
    setup.show();
    QVERIFY(QTest::qWaitForWindowExposed(&setup));
    Child<QPushButton>(setup, QStringLiteral("button1"))->click();
    QCOMPARE(setup.result(), int(QDialog::Accepted));
    QCOMPARE(setup.GetDateFormat(), index);
    QCOMPARE(setup.GetMonthNames(), EnglishMonths());
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
    MonthEdit(setup, 5)->clear();
    Child<QComboBox>(setup, QStringLiteral("combo1018"))->setCurrentIndex(7);
    Child<QCheckBox>(setup, QStringLiteral("check1028"))->setChecked(true);

    // Nothing is taken before OK.
    QCOMPARE(setup.GetMonthNames(), EnglishMonths());
    QCOMPARE(setup.GetDateFormat(), 0);
    QCOMPARE(setup.GetSubSeconds(), 0);

    Child<QPushButton>(setup, QStringLiteral("button1"))->click();
    QCOMPARE(setup.result(), int(QDialog::Accepted));
    for (int month = 1; month <= 12; ++month)
        QCOMPARE(setup.GetMonthNames()[month - 1], month == 5 ? std::string() : "Mois" + std::to_string(month));
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

void UiSetupTest::layoutListShowsTheMomentInEachLayout()
{
    CSetup setup;
    setup.SetValues(EnglishMonths(), 0, 0);
    const QDate today = QDate::currentDate();
    // A month name typed in the dialog shows at once in the layouts that spell the month.
    MonthEdit(setup, today.month())->setText(QStringLiteral("Mois"));
    const auto* combo = Child<QComboBox>(setup, QStringLiteral("combo1018"));
    const struct {
        const char* pattern;
        QString date;
    } layouts[]{
        {"YYYY:MM:DD HH:MI:SS", today.toString(QStringLiteral("yyyy:MM:dd"))},
        {"DD month YYYY HH:MI:SS", today.toString(QStringLiteral("dd 'Mois' yyyy"))},
        {"month DD YYYY HH:MI:SS", today.toString(QStringLiteral("'Mois' dd yyyy"))},
        {"YYYY-MM-DD HH:MI:SS", today.toString(QStringLiteral("yyyy-MM-dd"))},
        {"DD-MM-YYYY HH:MI:SS", today.toString(QStringLiteral("dd-MM-yyyy"))},
        {"DD/MM/YYYY HH:MI:SS", today.toString(QStringLiteral("dd/MM/yyyy"))},
        {"MM/DD/YYYY HH:MI:SS", today.toString(QStringLiteral("MM/dd/yyyy"))},
        {"DD.MM.YYYY HH:MI:SS", today.toString(QStringLiteral("dd.MM.yyyy"))},
        {"YYYY/MM/DD HH:MI:SS", today.toString(QStringLiteral("yyyy/MM/dd"))},
    };
    QCOMPARE(combo->count(), int(std::size(layouts)));
    const QRegularExpression time(QStringLiteral(" [0-2][0-9]:[0-5][0-9]:[0-5][0-9]\\)$"));
    for (int layout = 0; layout < combo->count(); ++layout) {
        const QString entry = combo->itemText(layout);
        QVERIFY2(entry.startsWith(QLatin1String(layouts[layout].pattern) + QLatin1String("   (") + layouts[layout].date),
                 qPrintable(entry));
        QVERIFY2(time.match(entry).hasMatch(), qPrintable(entry));
    }
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
