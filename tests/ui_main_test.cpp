// The main window, driven offscreen: settings in and out of the controls, what is stored when it
// closes, whole runs with their message boxes, Abort and closing during a run.

#include "settings/SettingsStore.h"
#include "extract/ColumnCatalogue.h"
#include "extract/Messages.h"
#include "extract/RecordComposer.h"
#include "metadata/ReaderPool.h"
#include "metadata/TagSource.h"
#include "ui/AppInfo.h"
#include "ui/CAboutDlg.h"
#include "ui/CFotoharvesterDlg.h"
#include "ui/CSetup.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

// Reads nothing: for the tests that never start a run.
class NoTags : public TagSource {
public:
    TagReading Read(const std::string&) override { return {}; }
};

template <typename T>
T* Child(const QObject& parent, const char* name)
{
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr)
        throw std::runtime_error(std::string("no control named ") + name);
    return child;
}

QSettings Store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(SettingsOrganisation),
                     QString::fromLatin1(SettingsApplication));
}

QString StoreFilePath()
{
    return Store().fileName();
}

void WipeStore()
{
    {
        QSettings store = Store();
        store.clear();
        store.sync();
    }
    QFile::remove(StoreFilePath());
}

ExtractionSettings Defaults()
{
    ExtractionSettings settings = DefaultSettings(DefaultMonthNames());
    settings.Flags = std::string(ColumnCount, '0');
    return settings;
}

std::string FlagsWith(std::initializer_list<int> ticked)
{
    std::string flags(ColumnCount, '0');
    for (int column : ticked)
        flags[column] = '1';
    return flags;
}

QStringList ReadLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<cannot open %1>").arg(path)};
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.split(QLatin1Char('\n'));
}

bool WriteJpeg(const QString& path, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 40));
    return image.save(path, "JPEG");
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Makes sure nothing the window does can wait for a person: a message box beyond the answers a
// test queues is answered "none" (and recorded), and the choosers and the help viewer stay shut.
void Unattended(CFotoharvesterDlg& dlg)
{
    dlg.Messages().setAnswerWhenNoneQueued(QMessageBox::NoButton);
    dlg.SetFolderChooser([](QWidget*, const QString&) { return std::optional<QString>(); });
    dlg.SetOutputFileChooser([](QWidget*, const QString&) { return std::optional<QString>(); });
    dlg.SetHelpOpener([](const QUrl&) { return true; });
}

}  // namespace

class UiMainTest : public QObject {
    Q_OBJECT

private slots:
    void init() { WipeStore(); }

    void titleControlsAndTexts();
    void tabOrderFollowsTheForm();
    void flagsTickItems_data();
    void flagsTickItems();
    void separatorNumSelectsEntry_data();
    void separatorNumSelectsEntry();
    void ticksAreStoredOnlyByARun();
    void separatorIsStoredOnlyByARun();
    void subFoldersClickKeepsTypedFolderAcrossBrowseOutput();
    void browseOutputKeepsWhatWasTyped();
    void browseFolderTakesControlsAndCancelKeepsFolder();
    void everyWayOfClosingSavesLikeExit_data();
    void everyWayOfClosingSavesLikeExit();
    void firstStartHasDefaults();
    void wrongTypedStoredValueReadsAsDefault();
    void damagedStoreOpensQuietlyWithSaneValues();
    void flagsOf29CharactersStay29AfterCloseWithoutRun();
    void setupOkCopiesBackAndCancelChangesNothing();
    void refusalsShowTheirMessages();
    void enterStartsExtract();
    void wholeRunWritesFileAndShowsSummary();
    void duplicateNamesAnsweredNoStopsBeforeRunning();
    void mapOptionWritesAMapBesideTheOutputAndIsStored();
    void abortStopsAfterThePhotoInProgress();
    void progressBarHoldsMoreThan65535Photos();
    void closingDuringRunStopsKeepsFileAndSaves();
    void f1OpensTheHelpIndex();
    void f1WithoutHelpPagesSaysSo();
    void aboutEntryShowsTheAboutBox();
};

void UiMainTest::titleControlsAndTexts()
{
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    Unattended(dlg);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("QX's Fotoharvester " PROJECT_VERSION_TEXT " Beta"));

    for (const char* name : {"edit1000", "edit1001", "edit1024"})
        QVERIFY(dlg.findChild<QLineEdit*>(QString::fromLatin1(name)));
    for (const char* name : {"button1019", "button1020", "button1", "button2", "button1005", "button1031"})
        QVERIFY(dlg.findChild<QPushButton*>(QString::fromLatin1(name)));
    QCOMPARE(Child<QPushButton>(dlg, "button1")->text(), QStringLiteral("Extract"));
    QVERIFY(Child<QPushButton>(dlg, "button1")->isDefault());
    QCOMPARE(Child<QPushButton>(dlg, "button2")->text(), QStringLiteral("Exit"));
    QCOMPARE(Child<QPushButton>(dlg, "button1005")->text(), QStringLiteral("Setup"));
    QCOMPARE(Child<QPushButton>(dlg, "button1031")->text(), QStringLiteral("Abort"));
    QCOMPARE(Child<QPushButton>(dlg, "button1019")->text(), QStringLiteral("..."));
    QCOMPARE(Child<QPushButton>(dlg, "button1020")->text(), QStringLiteral("..."));
    QCOMPARE(Child<QCheckBox>(dlg, "check1025")->text(), QStringLiteral("Add column headings"));
    QCOMPARE(Child<QCheckBox>(dlg, "check1026")->text(), QStringLiteral("Use full file path in file names"));
    QCOMPARE(Child<QCheckBox>(dlg, "check1029")->text(), QStringLiteral("Include photos in sub-folders"));

    QStringList labels;
    for (const QLabel* label : dlg.findChildren<QLabel*>())
        labels << label->text();
    for (const char* text : {"Folder to scan:", "Output filename :", "Separator character:", "Press F1 for help."})
        QVERIFY2(labels.contains(QString::fromLatin1(text)), text);
    QStringList groups;
    for (const QGroupBox* group : dlg.findChildren<QGroupBox*>())
        groups << group->title();
    groups.sort();
    QCOMPARE(groups, (QStringList{QStringLiteral("Choose files"), QStringLiteral("Select data")}));

    const auto* list = Child<QListWidget>(dlg, "list1003");
    QCOMPARE(list->count(), ColumnCount);
    for (int column = 0; column < ColumnCount; ++column) {
        const std::string_view heading = ColumnCatalogue()[column].heading;
        QCOMPARE(list->item(column)->text(), QString::fromUtf8(heading.data(), heading.size()));
        QVERIFY(list->item(column)->flags() & Qt::ItemIsUserCheckable);
    }
    QCOMPARE(list->item(0)->text(), QStringLiteral("Date"));
    QCOMPARE(list->item(28)->text(), QStringLiteral("XP Subject"));

    const auto* combo = Child<QComboBox>(dlg, "combo1027");
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->count(), 4);
    const QStringList expected{QStringLiteral(", (comma)"), QStringLiteral(": (colon)"),
                               QStringLiteral("; (semi colon)"), QStringLiteral("Tab")};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(combo->itemText(i), expected[i]);

    const auto* status = Child<QLineEdit>(dlg, "edit1024");
    QVERIFY(status->isReadOnly());
    QCOMPARE(status->focusPolicy(), Qt::NoFocus);
    QVERIFY(status->text().isEmpty());
    QVERIFY(Child<QProgressBar>(dlg, "progress1023")->isHidden());
    QVERIFY(Child<QPushButton>(dlg, "button1031")->isHidden());
}

void UiMainTest::tabOrderFollowsTheForm()
{
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    Unattended(dlg);
    const QStringList expected{QStringLiteral("edit1000"),   QStringLiteral("button1019"), QStringLiteral("edit1001"),
                               QStringLiteral("button1020"), QStringLiteral("list1003"),   QStringLiteral("check1025"),
                               QStringLiteral("check1026"),  QStringLiteral("combo1027"),  QStringLiteral("button1"),
                               QStringLiteral("button2"),    QStringLiteral("button1005"), QStringLiteral("check1029"),
                               QStringLiteral("button1031")};
    QStringList seen;
    QWidget* widget = Child<QLineEdit>(dlg, "edit1000");
    for (int step = 0; step < 200 && seen.size() < expected.size(); ++step) {
        if (expected.contains(widget->objectName()) && !seen.contains(widget->objectName()))
            seen << widget->objectName();
        widget = widget->nextInFocusChain();
    }
    QCOMPARE(seen, expected);
}

void UiMainTest::flagsTickItems_data()
{
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QList<int>>("ticked");
    QTest::newRow("0 and 2") << QString::fromStdString("101" + std::string(26, '0')) << QList<int>{0, 2};
    QTest::newRow("only the first") << QStringLiteral("1") << QList<int>{0};
    QTest::newRow("2 and x do not tick")
        << QString::fromStdString("12x1" + std::string(25, '0')) << QList<int>{0, 3};
    QTest::newRow("last column") << QString::fromStdString(std::string(28, '0') + "1") << QList<int>{28};
    QTest::newRow("beyond 29 ignored") << QString::fromStdString(std::string(29, '0') + "111") << QList<int>{};
    QTest::newRow("empty") << QString() << QList<int>{};
}

void UiMainTest::flagsTickItems()
{
    QFETCH(QString, flags);
    QFETCH(QList<int>, ticked);
    ExtractionSettings settings = Defaults();
    settings.Flags = flags.toStdString();
    NoTags tags;
    CFotoharvesterDlg dlg(settings, tags);
    Unattended(dlg);
    const auto* list = Child<QListWidget>(dlg, "list1003");
    for (int column = 0; column < ColumnCount; ++column) {
        const bool expected = ticked.contains(column);
        QCOMPARE(list->item(column)->checkState() == Qt::Checked, expected);
        QCOMPARE(dlg.IsColumnTicked(column), expected);
    }
}

void UiMainTest::separatorNumSelectsEntry_data()
{
    QTest::addColumn<int>("separatorNum");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << 0 << QStringLiteral(", (comma)");
    QTest::newRow("1") << 1 << 1 << QStringLiteral(": (colon)");
    QTest::newRow("2") << 2 << 2 << QStringLiteral("; (semi colon)");
    QTest::newRow("3") << 3 << 3 << QStringLiteral("Tab");
    QTest::newRow("7") << 7 << -1 << QString();
    QTest::newRow("-1") << -1 << -1 << QString();
}

void UiMainTest::separatorNumSelectsEntry()
{
    QFETCH(int, separatorNum);
    QFETCH(int, index);
    QFETCH(QString, text);
    ExtractionSettings settings = Defaults();
    settings.SeparatorNum = separatorNum;
    NoTags tags;
    CFotoharvesterDlg dlg(settings, tags);
    Unattended(dlg);
    const auto* combo = Child<QComboBox>(dlg, "combo1027");
    QCOMPARE(combo->currentIndex(), index);
    QCOMPARE(combo->currentText(), text);
    QCOMPARE(dlg.SeparatorPosition(), index);
    dlg.TakeControlValues();
    QCOMPARE(QString::fromStdString(dlg.SeparatorText()), text);
}

void UiMainTest::ticksAreStoredOnlyByARun()
{
    ExtractionSettings stored = Defaults();
    stored.Flags = FlagsWith({0});
    QVERIFY(SaveSettings(stored));

    NoTags tags;
    CFotoharvesterDlg dlg(LoadSettings(), tags);
    Unattended(dlg);
    auto* list = Child<QListWidget>(dlg, "list1003");
    QCOMPARE(list->item(0)->checkState(), Qt::Checked);
    list->item(0)->setCheckState(Qt::Unchecked);
    list->item(5)->setCheckState(Qt::Checked);
    list->item(17)->setCheckState(Qt::Checked);
    Child<QLineEdit>(dlg, "edit1000")->setText(QStringLiteral("/typed/folder"));
    Child<QPushButton>(dlg, "button2")->click();

    const ExtractionSettings reloaded = LoadSettings();
    QCOMPARE(reloaded.Flags, FlagsWith({0}));
    // The close did take the controls' values: only the ticks are left out.
    QCOMPARE(reloaded.Folder, std::string("/typed/folder"));
}

void UiMainTest::separatorIsStoredOnlyByARun()
{
    ExtractionSettings stored = Defaults();
    stored.SeparatorNum = 1;
    QVERIFY(SaveSettings(stored));

    NoTags tags;
    {
        CFotoharvesterDlg dlg(LoadSettings(), tags);
        Unattended(dlg);
        auto* combo = Child<QComboBox>(dlg, "combo1027");
        QCOMPARE(combo->currentIndex(), 1);
        combo->setCurrentIndex(3);
        Child<QPushButton>(dlg, "button2")->click();
    }
    QCOMPARE(LoadSettings().SeparatorNum, 1);

    // "None of the entries" (left by a run with a typed separator) is kept as it was.
    stored.SeparatorNum = -1;
    QVERIFY(SaveSettings(stored));
    {
        CFotoharvesterDlg dlg(LoadSettings(), tags);
        Unattended(dlg);
        QCOMPARE(Child<QComboBox>(dlg, "combo1027")->currentIndex(), -1);
        Child<QComboBox>(dlg, "combo1027")->setEditText(QStringLiteral("|"));
        Child<QPushButton>(dlg, "button2")->click();
    }
    QCOMPARE(LoadSettings().SeparatorNum, -1);

    // A position beyond the list, from a damaged store, starts as the first entry.
    stored.SeparatorNum = 7;
    QVERIFY(SaveSettings(stored));
    CFotoharvesterDlg dlg(LoadSettings(), tags);
    Unattended(dlg);
    QCOMPARE(Child<QComboBox>(dlg, "combo1027")->currentIndex(), 0);
}

void UiMainTest::subFoldersClickKeepsTypedFolderAcrossBrowseOutput()
{
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    Unattended(dlg);
    int chooserCalls = 0;
    dlg.SetOutputFileChooser([&](QWidget*, const QString&) -> std::optional<QString> {
        ++chooserCalls;
        return QStringLiteral("/chosen/out.csv");
    });
    Child<QLineEdit>(dlg, "edit1000")->setText(QStringLiteral("/typed/photos"));
    Child<QCheckBox>(dlg, "check1029")->click();
    Child<QPushButton>(dlg, "button1020")->click();

    QCOMPARE(chooserCalls, 1);
    QCOMPARE(Child<QLineEdit>(dlg, "edit1000")->text(), QStringLiteral("/typed/photos"));
    QCOMPARE(Child<QLineEdit>(dlg, "edit1001")->text(), QStringLiteral("/chosen/out.csv"));
    QVERIFY(Child<QCheckBox>(dlg, "check1029")->isChecked());
    QCOMPARE(dlg.Settings().Folder, std::string("/typed/photos"));
    QCOMPARE(dlg.Settings().SubFolders, 1);
}

void UiMainTest::browseOutputKeepsWhatWasTyped()
{
    ExtractionSettings settings = Defaults();
    settings.Folder = "/held/photos";
    settings.OutFile = "/held/out.csv";
    NoTags tags;
    CFotoharvesterDlg dlg(settings, tags);
    Unattended(dlg);
    QString givenFile;
    dlg.SetOutputFileChooser([&](QWidget*, const QString& current) -> std::optional<QString> {
        givenFile = current;
        return std::nullopt;  // cancelled
    });
    Child<QLineEdit>(dlg, "edit1000")->setText(QStringLiteral("/typed/photos"));
    Child<QLineEdit>(dlg, "edit1001")->setText(QStringLiteral("/typed/out.csv"));
    Child<QCheckBox>(dlg, "check1025")->setChecked(true);
    Child<QPushButton>(dlg, "button1020")->click();

    // Everything typed survives, and a cancel keeps the typed output file.
    QCOMPARE(givenFile, QStringLiteral("/typed/out.csv"));
    QCOMPARE(Child<QLineEdit>(dlg, "edit1000")->text(), QStringLiteral("/typed/photos"));
    QVERIFY(Child<QCheckBox>(dlg, "check1025")->isChecked());
    QCOMPARE(Child<QLineEdit>(dlg, "edit1001")->text(), QStringLiteral("/typed/out.csv"));
    QCOMPARE(dlg.Settings().Folder, std::string("/typed/photos"));
}

void UiMainTest::browseFolderTakesControlsAndCancelKeepsFolder()
{
    ExtractionSettings settings = Defaults();
    settings.Folder = "/held/photos";
    NoTags tags;
    CFotoharvesterDlg dlg(settings, tags);
    Unattended(dlg);
    QString givenFolder;
    std::optional<QString> answer = QStringLiteral("/chosen/photos");
    dlg.SetFolderChooser([&](QWidget*, const QString& current) {
        givenFolder = current;
        return answer;
    });
    Child<QLineEdit>(dlg, "edit1000")->setText(QStringLiteral("/typed/photos"));
    Child<QLineEdit>(dlg, "edit1001")->setText(QStringLiteral("/typed/out"));
    Child<QPushButton>(dlg, "button1019")->click();
    QCOMPARE(givenFolder, QStringLiteral("/typed/photos"));
    QCOMPARE(Child<QLineEdit>(dlg, "edit1000")->text(), QStringLiteral("/chosen/photos"));
    QCOMPARE(Child<QLineEdit>(dlg, "edit1001")->text(), QStringLiteral("/typed/out"));

    answer.reset();
    Child<QPushButton>(dlg, "button1019")->click();
    QCOMPARE(Child<QLineEdit>(dlg, "edit1000")->text(), QStringLiteral("/chosen/photos"));
    QCOMPARE(dlg.Settings().Folder, std::string("/chosen/photos"));
}

void UiMainTest::everyWayOfClosingSavesLikeExit_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Exit") << QStringLiteral("exit");
    QTest::newRow("Escape") << QStringLiteral("escape");
    QTest::newRow("close box") << QStringLiteral("close");
}

void UiMainTest::everyWayOfClosingSavesLikeExit()
{
    QFETCH(QString, how);
    ExtractionSettings stored = Defaults();
    stored.Flags = FlagsWith({3, 4});
    stored.SeparatorNum = 3;
    stored.DateFormat = 6;
    QVERIFY(SaveSettings(stored));

    NoTags tags;
    CFotoharvesterDlg dlg(LoadSettings(), tags);
    Unattended(dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto* folder = Child<QLineEdit>(dlg, "edit1000");
    folder->setText(QStringLiteral("/typed/photos"));
    Child<QLineEdit>(dlg, "edit1001")->setText(QStringLiteral("/typed/out.txt"));
    Child<QCheckBox>(dlg, "check1025")->setChecked(true);
    Child<QCheckBox>(dlg, "check1026")->setChecked(true);
    Child<QCheckBox>(dlg, "check1029")->setChecked(true);

    if (how == QLatin1String("exit")) {
        Child<QPushButton>(dlg, "button2")->click();
    } else if (how == QLatin1String("escape")) {
        folder->setFocus();
        QTest::keyClick(folder, Qt::Key_Escape);
    } else {
        QVERIFY(dlg.close());
    }

    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    const ExtractionSettings reloaded = LoadSettings();
    QCOMPARE(reloaded.Folder, std::string("/typed/photos"));
    QCOMPARE(reloaded.OutFile, std::string("/typed/out.txt"));
    QCOMPARE(reloaded.CommentLine, 1);
    QCOMPARE(reloaded.FullFilePath, 1);
    QCOMPARE(reloaded.SubFolders, 1);
    QCOMPARE(reloaded.Flags, FlagsWith({3, 4}));
    QCOMPARE(reloaded.SeparatorNum, 3);
    QCOMPARE(reloaded.DateFormat, 6);
}

void UiMainTest::firstStartHasDefaults()
{
    QVERIFY(!QFile::exists(StoreFilePath()));
    NoTags tags;
    CFotoharvesterDlg dlg(LoadSettings(), tags);
    Unattended(dlg);
    QVERIFY(Child<QLineEdit>(dlg, "edit1000")->text().isEmpty());
    QVERIFY(Child<QLineEdit>(dlg, "edit1001")->text().isEmpty());
    for (const char* name : {"check1025", "check1026", "check1029"})
        QVERIFY2(!Child<QCheckBox>(dlg, name)->isChecked(), name);
    for (int column = 0; column < ColumnCount; ++column)
        QVERIFY(!dlg.IsColumnTicked(column));
    QCOMPARE(Child<QComboBox>(dlg, "combo1027")->currentText(), QStringLiteral(", (comma)"));
    QCOMPARE(dlg.Settings().DateFormat, 0);
    QCOMPARE(dlg.Settings().SubSeconds, 0);
    QCOMPARE(dlg.Settings().MonthNames, DefaultMonthNames());
    QVERIFY(!dlg.Settings().MonthNames[4].empty());

    Child<QPushButton>(dlg, "button2")->click();
    QVERIFY(QFile::exists(StoreFilePath()));
    QCOMPARE(Store().value(QStringLiteral("Flags")).toString(), QString(ColumnCount, QLatin1Char('0')));
    QCOMPARE(Store().value(QStringLiteral("Month5")).toString(), QString::fromStdString(DefaultMonthNames()[4]));
}

void UiMainTest::wrongTypedStoredValueReadsAsDefault()
{
    QDir().mkpath(QFileInfo(StoreFilePath()).absolutePath());
    QVERIFY(WriteBytes(StoreFilePath(), "[General]\nDateFormat=abc\nCommentLine=yes\nSeparatorNum=2\n"
                                        "Folder=/stored/photos\nSubFolders=1\n"));
    const ExtractionSettings loaded = LoadSettings();
    QCOMPARE(loaded.DateFormat, 0);
    QCOMPARE(loaded.CommentLine, 0);
    QCOMPARE(loaded.SeparatorNum, 2);
    QCOMPARE(loaded.SubFolders, 1);

    NoTags tags;
    CFotoharvesterDlg dlg(loaded, tags);
    Unattended(dlg);
    QCOMPARE(Child<QLineEdit>(dlg, "edit1000")->text(), QStringLiteral("/stored/photos"));
    QVERIFY(!Child<QCheckBox>(dlg, "check1025")->isChecked());
    QVERIFY(Child<QCheckBox>(dlg, "check1029")->isChecked());
    QCOMPARE(Child<QComboBox>(dlg, "combo1027")->currentText(), QStringLiteral("; (semi colon)"));
}

void UiMainTest::damagedStoreOpensQuietlyWithSaneValues()
{
    QDir().mkpath(QFileInfo(StoreFilePath()).absolutePath());
    QVERIFY(WriteBytes(StoreFilePath(), "[General]\nDateFormat=2147483648\nSeparatorNum=-5\nFolder=\xFF/photos\n"
                                        "OutFile=" + QByteArray(1'000'000, 'o') + "\nFlags=@Variant(\\0\\0)\n"
                                        "[broken\n\x01\x02\n"));
    NoTags tags;
    CFotoharvesterDlg dlg(LoadSettings(), tags);
    Unattended(dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(Child<QComboBox>(dlg, "combo1027")->currentIndex(), 0);
    QCOMPARE(Child<QLineEdit>(dlg, "edit1000")->text(), QStringLiteral("\uFFFD/photos"));
    QCOMPARE(Child<QLineEdit>(dlg, "edit1001")->text(), QString());
    QVERIFY(dlg.Messages().shown().empty());
    Child<QPushButton>(dlg, "button2")->click();
    const ExtractionSettings saved = LoadSettings();
    QCOMPARE(saved.DateFormat, 0);
    QCOMPARE(saved.SeparatorNum, 0);
}

void UiMainTest::flagsOf29CharactersStay29AfterCloseWithoutRun()
{
    const QString flags = QStringLiteral("10100000000000000000000000011");
    QCOMPARE(flags.size(), ColumnCount);
    {
        QSettings store = Store();
        store.setValue(QStringLiteral("Flags"), flags);
        store.sync();
    }
    NoTags tags;
    for (int start = 0; start < 3; ++start) {
        CFotoharvesterDlg dlg(LoadSettings(), tags);
        Unattended(dlg);
        QVERIFY(dlg.IsColumnTicked(0));
        QVERIFY(dlg.IsColumnTicked(28));
        Child<QPushButton>(dlg, "button2")->click();
        QCOMPARE(Store().value(QStringLiteral("Flags")).toString(), flags);
    }
}

void UiMainTest::setupOkCopiesBackAndCancelChangesNothing()
{
    ExtractionSettings settings = Defaults();
    settings.DateFormat = 3;
    NoTags tags;
    CFotoharvesterDlg dlg(settings, tags);
    Unattended(dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    bool seen = false;
    const auto answerSetup = [&](bool ok) {
        QTimer::singleShot(0, &dlg, [&, ok] {
            auto* setup = dlg.findChild<CSetup*>();
            if (setup == nullptr || !setup->isVisible())
                return;
            seen = true;
            QCOMPARE(Child<QComboBox>(*setup, "combo1018")->currentIndex(), 3);
            for (int month = 0; month < 12; ++month) {
                const QByteArray name = "edit" + QByteArray::number(1006 + month);
                Child<QLineEdit>(*setup, name.constData())->setText(QStringLiteral("M%1").arg(month + 1));
            }
            Child<QComboBox>(*setup, "combo1018")->setCurrentIndex(1);
            Child<QCheckBox>(*setup, "check1028")->setChecked(true);
            Child<QCheckBox>(*setup, "check1033")->setChecked(true);
            Child<QPushButton>(*setup, ok ? "button1" : "button2")->click();
        });
    };

    answerSetup(false);
    Child<QPushButton>(dlg, "button1005")->click();
    QVERIFY(seen);
    QCOMPARE(dlg.Settings().DateFormat, 3);
    QCOMPARE(dlg.Settings().SubSeconds, 0);
    QCOMPARE(dlg.Settings().Spreadsheet, 0);
    QCOMPARE(dlg.Settings().MonthNames, settings.MonthNames);

    seen = false;
    answerSetup(true);
    Child<QPushButton>(dlg, "button1005")->click();
    QVERIFY(seen);
    QCOMPARE(dlg.Settings().DateFormat, 1);
    QCOMPARE(dlg.Settings().SubSeconds, 1);
    QCOMPARE(dlg.Settings().Spreadsheet, 1);
    for (int month = 0; month < 12; ++month)
        QCOMPARE(dlg.Settings().MonthNames[month], "M" + std::to_string(month + 1));

    Child<QPushButton>(dlg, "button2")->click();
    const ExtractionSettings reloaded = LoadSettings();
    QCOMPARE(reloaded.DateFormat, 1);
    QCOMPARE(reloaded.SubSeconds, 1);
    QCOMPARE(reloaded.Spreadsheet, 1);
    QCOMPARE(reloaded.MonthNames[11], std::string("M12"));
}

void UiMainTest::refusalsShowTheirMessages()
{
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    Unattended(dlg);
    dlg.Messages().setNextAnswers({QMessageBox::Ok, QMessageBox::Ok});
    Child<QPushButton>(dlg, "button1")->click();

    QTemporaryDir missingParent;
    Child<QLineEdit>(dlg, "edit1000")->setText(missingParent.filePath(QStringLiteral("not-there")));
    Child<QPushButton>(dlg, "button1")->click();

    const auto& shown = dlg.Messages().shown();
    QCOMPARE(int(shown.size()), 2);
    QCOMPARE(shown[0].text, QString::fromStdString(MakeMessage(MessageId::FolderEmpty).text));
    QCOMPARE(shown[0].icon, QMessageBox::Warning);
    QCOMPARE(shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(shown[0].title, QStringLiteral("fotoharvester"));
    QCOMPARE(shown[1].text, QString::fromStdString(MakeMessage(MessageId::FolderMissing).text));
    // A refusal leaves the window idle.
    QVERIFY(Child<QPushButton>(dlg, "button1")->isEnabled());
    QVERIFY(Child<QProgressBar>(dlg, "progress1023")->isHidden());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void UiMainTest::enterStartsExtract()
{
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    Unattended(dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.Messages().setNextAnswers({QMessageBox::Ok});
    auto* folder = Child<QLineEdit>(dlg, "edit1000");
    folder->setFocus();
    QTest::keyClick(folder, Qt::Key_Return);
    QCOMPARE(int(dlg.Messages().shown().size()), 1);
    QCOMPARE(dlg.Messages().shown()[0].text, QString::fromStdString(MakeMessage(MessageId::FolderEmpty).text));
    QVERIFY(dlg.isVisible());

    // Enter in the separator's own text box starts the run too.
    dlg.Messages().setNextAnswers({QMessageBox::Ok});
    auto* separator = Child<QComboBox>(dlg, "combo1027");
    separator->setFocus();
    QTest::keyClick(separator->lineEdit(), Qt::Key_Return);
    QCOMPARE(int(dlg.Messages().shown().size()), 2);
    QCOMPARE(separator->count(), 4);  // and the typed text did not join the list
}

void UiMainTest::wholeRunWritesFileAndShowsSummary()
{
    QTemporaryDir photos;
    QTemporaryDir outDir;
    QVERIFY(photos.isValid() && outDir.isValid());
    QVERIFY(QDir(photos.path()).mkdir(QStringLiteral("sub")));
    QVERIFY(WriteJpeg(photos.filePath(QStringLiteral("a.jpg")), 16, 8));
    QVERIFY(WriteJpeg(photos.filePath(QStringLiteral("b.jpg")), 4, 2));
    QVERIFY(WriteJpeg(photos.filePath(QStringLiteral("sub/a.jpg")), 6, 10));
    QVERIFY(WriteBytes(photos.filePath(QStringLiteral("notes.txt")), "not a photo"));
    QVERIFY(WriteBytes(photos.filePath(QStringLiteral("text.jpg")), "not a photo either"));

    ExtractionSettings settings = Defaults();
    settings.Flags = FlagsWith({7, 8});
    settings.SeparatorNum = 0;
    ReaderPool readers(ReaderPool::DefaultOptions());
    CFotoharvesterDlg dlg(settings, readers);
    Unattended(dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QString outFile = outDir.filePath(QStringLiteral("result"));
    Child<QLineEdit>(dlg, "edit1000")->setText(photos.path());
    Child<QLineEdit>(dlg, "edit1001")->setText(outFile);
    Child<QCheckBox>(dlg, "check1025")->setChecked(true);
    Child<QCheckBox>(dlg, "check1029")->setChecked(true);
    Child<QComboBox>(dlg, "combo1027")->setCurrentIndex(2);  // "; (semi colon)"
    dlg.Messages().setNextAnswers({QMessageBox::Yes, QMessageBox::Ok});

    // What the window shows while the run goes on, seen from inside the run's event handling.
    bool sawRunning = false;
    QString statusDuringRun;
    bool extractEnabledDuringRun = true;
    bool setupEnabledDuringRun = true;
    bool progressShown = false;
    bool abortShown = false;
    bool waitCursor = false;
    QStringList enabledDuringRun;
    QTimer::singleShot(0, &dlg, [&] {
        for (const char* name : {"edit1000", "edit1001", "button1019", "button1020", "check1029", "list1003", "check1025",
                                 "check1026", "combo1027", "button1031", "button2"})
            if (Child<QWidget>(dlg, name)->isEnabled())
                enabledDuringRun << QLatin1String(name);
        // Changed by a program, as no user can while they are disabled: the run goes on as started.
        Child<QListWidget>(dlg, "list1003")->item(4)->setCheckState(Qt::Checked);
        Child<QCheckBox>(dlg, "check1026")->setChecked(true);
        sawRunning = dlg.IsRunning();
        statusDuringRun = Child<QLineEdit>(dlg, "edit1024")->text();
        extractEnabledDuringRun = Child<QPushButton>(dlg, "button1")->isEnabled();
        setupEnabledDuringRun = Child<QPushButton>(dlg, "button1005")->isEnabled();
        progressShown = Child<QProgressBar>(dlg, "progress1023")->isVisible();
        abortShown = Child<QPushButton>(dlg, "button1031")->isVisible();
        waitCursor = QApplication::overrideCursor() != nullptr &&
                     QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    Child<QPushButton>(dlg, "button1")->click();

    QVERIFY(sawRunning);
    QCOMPARE(statusDuringRun, QStringLiteral("Extracting data..."));
    QVERIFY(!extractEnabledDuringRun);
    QVERIFY(!setupEnabledDuringRun);
    QVERIFY(progressShown);
    QVERIFY(abortShown);
    QVERIFY(waitCursor);
    QCOMPARE(enabledDuringRun, (QStringList{QStringLiteral("button1031"), QStringLiteral("button2")}));

    const QString written = outFile + QStringLiteral(".csv");
    const auto size = [&](const char* name) { return QString::number(QFileInfo(photos.filePath(QLatin1String(name))).size()); };
    const QStringList expectedLines{
        QStringLiteral("!\"Filename\";\"Width x height\";\"Size of image file\""),
        QStringLiteral("\"a.jpg\";16x8;") + size("a.jpg"),
        QStringLiteral("\"b.jpg\";4x2;") + size("b.jpg"),
        QStringLiteral("\"a.jpg\";6x10;") + size("sub/a.jpg"),
        QStringLiteral("\"text.jpg\";0x0;") + size("text.jpg"),
    };
    QCOMPARE(ReadLines(written), expectedLines);

    const auto& shown = dlg.Messages().shown();
    QCOMPARE(int(shown.size()), 2);
    QCOMPARE(shown[0].text, QString::fromStdString(MakeMessage(MessageId::DuplicateNames).text));
    QCOMPARE(shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(shown[1].text, QStringLiteral("EXIF data have been successfully extracted from 4 files and stored in %1.\n"
                                           "1 of these files could not be read as photos: their records hold no metadata.")
                                .arg(written));
    QCOMPARE(shown[1].details, QDir(photos.path()).filePath(QStringLiteral("text.jpg: not a photo, or damaged")));
    QCOMPARE(shown[1].icon, QMessageBox::Warning);
    QCOMPARE(shown[1].title, QStringLiteral("fotoharvester"));

    // Back to idle, with the folder shown as the run completed it.
    QVERIFY(!dlg.IsRunning());
    QVERIFY(Child<QPushButton>(dlg, "button1")->isEnabled());
    QVERIFY(Child<QPushButton>(dlg, "button1005")->isEnabled());
    QVERIFY(Child<QListWidget>(dlg, "list1003")->isEnabled());
    QVERIFY(Child<QLineEdit>(dlg, "edit1000")->isEnabled());
    QVERIFY(Child<QProgressBar>(dlg, "progress1023")->isHidden());
    QVERIFY(Child<QPushButton>(dlg, "button1031")->isHidden());
    QVERIFY(Child<QLineEdit>(dlg, "edit1024")->text().isEmpty());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(Child<QLineEdit>(dlg, "edit1000")->text(), photos.path() + QLatin1Char('/'));
    QCOMPARE(Child<QLineEdit>(dlg, "edit1001")->text(), outFile);

    // The run took the ticks and the separator position; closing stores them.
    QCOMPARE(dlg.Settings().Flags, FlagsWith({7, 8}));
    QCOMPARE(dlg.Settings().SeparatorNum, 2);
    Child<QPushButton>(dlg, "button2")->click();
    const ExtractionSettings reloaded = LoadSettings();
    QCOMPARE(reloaded.Flags, FlagsWith({7, 8}));
    QCOMPARE(reloaded.SeparatorNum, 2);
    QCOMPARE(reloaded.Folder, (photos.path() + QLatin1Char('/')).toStdString());
}

void UiMainTest::duplicateNamesAnsweredNoStopsBeforeRunning()
{
    QTemporaryDir photos;
    QTemporaryDir outDir;
    QVERIFY(QDir(photos.path()).mkdir(QStringLiteral("sub")));
    QVERIFY(WriteJpeg(photos.filePath(QStringLiteral("a.jpg")), 4, 4));
    QVERIFY(WriteJpeg(photos.filePath(QStringLiteral("sub/a.jpg")), 4, 4));

    ExtractionSettings settings = Defaults();
    settings.Flags = FlagsWith({7});
    settings.Folder = photos.path().toStdString();
    settings.OutFile = outDir.filePath(QStringLiteral("out.csv")).toStdString();
    settings.SubFolders = 1;
    settings.SeparatorNum = 1;
    ReaderPool readers(ReaderPool::DefaultOptions());
    CFotoharvesterDlg dlg(settings, readers);
    Unattended(dlg);
    Child<QListWidget>(dlg, "list1003")->item(3)->setCheckState(Qt::Checked);
    Child<QComboBox>(dlg, "combo1027")->setCurrentIndex(3);
    dlg.Messages().setNextAnswers({QMessageBox::No});
    Child<QPushButton>(dlg, "button1")->click();

    QCOMPARE(int(dlg.Messages().shown().size()), 1);
    QCOMPARE(dlg.Messages().shown()[0].text, QString::fromStdString(MakeMessage(MessageId::DuplicateNames).text));
    QVERIFY(!dlg.IsRunning());
    // A declined run never reached its photos, so it takes neither ticks nor separator.
    QCOMPARE(dlg.Settings().Flags, FlagsWith({7}));
    QCOMPARE(dlg.Settings().SeparatorNum, 1);
}

void UiMainTest::mapOptionWritesAMapBesideTheOutputAndIsStored()
{
    QTemporaryDir photos;
    QTemporaryDir outDir;
    QVERIFY(WriteJpeg(photos.filePath(QStringLiteral("a.jpg")), 4, 4));  // a photo without a position

    ExtractionSettings settings = Defaults();
    settings.Flags = FlagsWith({7});
    settings.Folder = photos.path().toStdString();
    settings.OutFile = outDir.filePath(QStringLiteral("places")).toStdString();
    ReaderPool readers(ReaderPool::DefaultOptions());
    CFotoharvesterDlg dlg(settings, readers);
    Unattended(dlg);
    auto* mapCheck = Child<QCheckBox>(dlg, "check1032");
    QCOMPARE(mapCheck->text(), QStringLiteral("Also write a map file (GeoJSON)"));
    QVERIFY(!mapCheck->isChecked());
    mapCheck->setChecked(true);
    dlg.Messages().setNextAnswers({QMessageBox::Ok});
    Child<QPushButton>(dlg, "button1")->click();

    const QString map = outDir.filePath(QStringLiteral("places.geojson"));
    QFile mapFile(map);
    QVERIFY(mapFile.open(QIODevice::ReadOnly));
    QCOMPARE(mapFile.readAll(), QByteArray("{\"type\":\"FeatureCollection\",\"features\":[\n\n]}\n"));
    QCOMPARE(int(dlg.Messages().shown().size()), 1);
    QVERIFY(dlg.Messages().shown()[0].text.endsWith(
        QStringLiteral("\nThe map file %1 shows 0 of them; photos without a position (1) are left out.").arg(map)));
    Child<QPushButton>(dlg, "button2")->click();
    QCOMPARE(LoadSettings().MapFile, 1);
}

void UiMainTest::progressBarHoldsMoreThan65535Photos()
{
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    dlg.SetProgressRange(70000);
    dlg.SetProgressPosition(69999);
    auto* progress = Child<QProgressBar>(dlg, "progress1023");
    QCOMPARE(progress->maximum(), 70000);
    QCOMPARE(progress->value(), 69999);
}

void UiMainTest::abortStopsAfterThePhotoInProgress()
{
    QTemporaryDir photos;
    QTemporaryDir outDir;
    for (const char* name : {"p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg"})
        QVERIFY(WriteJpeg(photos.filePath(QLatin1String(name)), 8, 8));

    ExtractionSettings settings = Defaults();
    settings.Folder = photos.path().toStdString();
    settings.OutFile = outDir.filePath(QStringLiteral("out.csv")).toStdString();
    settings.CommentLine = 1;
    ReaderPool readers(ReaderPool::DefaultOptions());
    CFotoharvesterDlg dlg(settings, readers);
    Unattended(dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Child<QListWidget>(dlg, "list1003")->item(7)->setCheckState(Qt::Checked);
    Child<QComboBox>(dlg, "combo1027")->setCurrentIndex(1);
    QTimer::singleShot(0, &dlg, [&] { Child<QPushButton>(dlg, "button1031")->click(); });
    Child<QPushButton>(dlg, "button1")->click();

    const QStringList lines = ReadLines(QString::fromStdString(settings.OutFile));
    QCOMPARE(lines, (QStringList{QStringLiteral("!\"Filename\":\"Width x height\""), QStringLiteral("\"p1.jpg\":8x8")}));
    QVERIFY(dlg.Messages().shown().empty());  // an aborted run says nothing
    QVERIFY(dlg.isVisible());
    QVERIFY(Child<QPushButton>(dlg, "button1")->isEnabled());
    QVERIFY(Child<QPushButton>(dlg, "button1031")->isHidden());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(dlg.Settings().Flags, FlagsWith({7}));
    QCOMPARE(dlg.Settings().SeparatorNum, 1);
}

void UiMainTest::closingDuringRunStopsKeepsFileAndSaves()
{
    QTemporaryDir photos;
    QTemporaryDir outDir;
    for (const char* name : {"p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg"})
        QVERIFY(WriteJpeg(photos.filePath(QLatin1String(name)), 8, 4));

    ExtractionSettings settings = Defaults();
    settings.OutFile = outDir.filePath(QStringLiteral("out.csv")).toStdString();
    settings.CommentLine = 1;
    ReaderPool readers(ReaderPool::DefaultOptions());
    CFotoharvesterDlg dlg(settings, readers);
    Unattended(dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Child<QLineEdit>(dlg, "edit1000")->setText(photos.path());
    Child<QListWidget>(dlg, "list1003")->item(7)->setCheckState(Qt::Checked);
    Child<QComboBox>(dlg, "combo1027")->setCurrentIndex(3);  // Tab

    bool closeAccepted = true;
    bool stillRunningAfterClose = false;
    QTimer::singleShot(0, &dlg, [&] {
        closeAccepted = dlg.close();
        stillRunningAfterClose = dlg.IsRunning() && dlg.isVisible();
        // A second request while stopping changes nothing.
        dlg.reject();
    });
    Child<QPushButton>(dlg, "button1")->click();

    QVERIFY(!closeAccepted);  // the window waited for the run ...
    QVERIFY(stillRunningAfterClose);
    QVERIFY(!dlg.isVisible());  // ... and then closed
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(QApplication::overrideCursor() == nullptr);

    const QStringList lines = ReadLines(QString::fromStdString(settings.OutFile));
    QCOMPARE(lines, (QStringList{QStringLiteral("!\"Filename\"\t\"Width x height\""), QStringLiteral("\"p1.jpg\"\t8x4")}));
    QVERIFY(dlg.Messages().shown().empty());

    const ExtractionSettings reloaded = LoadSettings();
    QCOMPARE(reloaded.Flags, FlagsWith({7}));
    QCOMPARE(reloaded.SeparatorNum, 3);
    QCOMPARE(reloaded.Folder, (photos.path() + QLatin1Char('/')).toStdString());
    QCOMPARE(reloaded.CommentLine, 1);
}

void UiMainTest::f1OpensTheHelpIndex()
{
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    Unattended(dlg);
    QList<QUrl> opened;
    dlg.SetHelpOpener([&](const QUrl& page) {
        opened << page;
        return true;
    });
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    auto* folder = Child<QLineEdit>(dlg, "edit1000");
    folder->setFocus();
    QTest::keyClick(folder, Qt::Key_F1);

    QCOMPARE(opened.size(), 1);
    QVERIFY(opened[0].isLocalFile());
    const QFileInfo index(opened[0].toLocalFile());
    QCOMPARE(index.fileName(), QStringLiteral("index.html"));
    QVERIFY(index.isFile());
    QFile page(index.absoluteFilePath());
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QByteArray html = page.readAll();
    QVERIFY(html.contains("07 May 2000 14:22:01"));
    QVERIFY(html.contains("fotoharvester-cli"));
    QVERIFY(dlg.Messages().shown().empty());
}

void UiMainTest::f1WithoutHelpPagesSaysSo()
{
    QTemporaryDir empty;
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    Unattended(dlg);
    int opened = 0;
    dlg.SetHelpOpener([&](const QUrl&) {
        ++opened;
        return true;
    });
    dlg.SetHelpFolders({empty.path()});
    dlg.Messages().setNextAnswers({QMessageBox::Ok});
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(&dlg, Qt::Key_F1);

    QCOMPARE(opened, 0);
    QCOMPARE(int(dlg.Messages().shown().size()), 1);
    QVERIFY(dlg.Messages().shown()[0].text.contains(empty.path()));
}

void UiMainTest::aboutEntryShowsTheAboutBox()
{
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    Unattended(dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.contextMenuPolicy(), Qt::ActionsContextMenu);
    QAction* about = nullptr;
    for (QAction* action : dlg.actions())
        if (action->text() == QStringLiteral("&About Fotoharvester..."))
            about = action;
    QVERIFY(about != nullptr);

    QString title;
    QStringList texts;
    QTimer::singleShot(0, &dlg, [&] {
        auto* box = dlg.findChild<CAboutDlg*>();
        if (box == nullptr)
            return;
        title = box->windowTitle();
        for (const QLabel* label : box->findChildren<QLabel*>())
            texts << label->text();
        Child<QPushButton>(*box, "button1")->click();
    });
    about->trigger();
    QCOMPARE(title, QStringLiteral("About Fotoharvester"));
    QVERIFY(texts.contains(QStringLiteral("Fotoharvester " PROJECT_VERSION_TEXT " Beta")));
    QVERIFY(texts.join(QLatin1Char('\n')).contains(QStringLiteral("FreeImage is used under the FreeImage Public License version 1.0.")));
    QVERIFY(dlg.isVisible());
}

int main(int argc, char* argv[])
{
    // Never the user's own settings: a fresh folder below the one the test run names, or below
    // the temporary folder when run by hand.
    const QString base = qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") ? QDir::tempPath()
                                                                          : qEnvironmentVariable("XDG_CONFIG_HOME");
    QDir().mkpath(base);
    QTemporaryDir configHome(QDir(base).filePath(QStringLiteral("ui-main-XXXXXX")));
    QTemporaryDir systemConfig;
    if (!configHome.isValid() || !systemConfig.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(systemConfig.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication application(argc, argv);
    UiMainTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_main_test.moc"
