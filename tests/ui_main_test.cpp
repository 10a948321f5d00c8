// The main window, driven offscreen: settings in and out of the controls, what is kept when it
// closes, the keyboard, starting points, whole runs with their message boxes, Abort and closing
// during a run.

#include "settings/SettingsStore.h"
#include "extract/ColumnCatalogue.h"
#include "extract/Messages.h"
#include "metadata/ReaderPool.h"
#include "ui/CAboutDlg.h"
#include "ui/CFotoharvesterDlg.h"
#include "ui/CSetup.h"

#include "support/ScriptedTagSource.h"
#include "support/Tags.h"

#include <QAccessible>
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
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>

namespace {

// Reads nothing: for the tests whose runs never reach a photo.
class NoTags : public TagSource {
public:
    TagReading Read(const std::string&) override { return {}; }
};

// Answers from a script, and does what the test asks while each photo is read, as a user could.
class ScriptedTags : public ScriptedTagSource {
public:
    std::function<void()> whileReading;

    TagReading Read(const std::string& path) override
    {
        if (whileReading)
            whileReading();
        return ScriptedTagSource::Read(path);
    }
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

void WipeStore()
{
    {
        QSettings store = Store();
        store.clear();
        store.sync();
    }
    QFile::remove(Store().fileName());
}

const CSetup::MonthNames english{"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};

ExtractionSettings Defaults()
{
    ExtractionSettings settings = DefaultSettings(english);
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
// test queues is answered "none" (and recorded), the choosers stay shut and nothing is opened on
// the desktop.
void Unattended(CFotoharvesterDlg& dlg)
{
    dlg.Messages().setAnswerWhenNoneQueued(QMessageBox::NoButton);
    dlg.SetFolderChooser([](QWidget*, const QString&) { return std::optional<QString>(); });
    dlg.SetOutputFileChooser([](QWidget*, const QString&) { return std::optional<QString>(); });
    dlg.SetDesktopOpener([](const QUrl&) { return true; });
}

void ShowActive(CFotoharvesterDlg& dlg)
{
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
}

// A folder of photos whose tags come from a script, for runs that need no reader process.
struct ScriptedPhotos {
    QTemporaryDir folder;
    QTemporaryDir outFolder;
    ScriptedTags tags;

    ScriptedPhotos(std::initializer_list<const char*> names, const PhotoTags& photoTags = {})
    {
        for (const char* name : names) {
            WriteBytes(folder.filePath(QLatin1String(name)), "x");
            tags.Set(name, photoTags);
        }
    }
    QString OutFile() const { return outFolder.filePath(QStringLiteral("out.csv")); }
    ExtractionSettings Settings(std::initializer_list<int> ticked) const
    {
        ExtractionSettings settings = Defaults();
        settings.Folder = folder.path().toStdString();
        settings.OutFile = OutFile().toStdString();
        settings.Flags = FlagsWith(ticked);
        return settings;
    }
};

}  // namespace

class UiMainTest : public QObject {
    Q_OBJECT

private slots:
    void init() { WipeStore(); }

    void storedChoicesReachTheControls_data();
    void storedChoicesReachTheControls();
    void everyWayOfClosingKeepsWhatTheWindowShows_data();
    void everyWayOfClosingKeepsWhatTheWindowShows();
    void firstSizeShowsMostColumnsAndTheListGrows();
    void allAndNoneTickEveryColumn_data();
    void allAndNoneTickEveryColumn();
    void keyboardReachesEveryControl();
    void choosersStartFromWhatIsTypedAndKeepIt_data();
    void choosersStartFromWhatIsTypedAndKeepIt();
    void folderArgumentAndDropsFillTheFolder_data();
    void folderArgumentAndDropsFillTheFolder();
    void setupOkTakesBackEveryValue();
    void mapOptionWritesAMapBesideTheOutputAndIsStored();
    void extractRefusesWithAMessageAndStaysIdle_data();
    void extractRefusesWithAMessageAndStaysIdle();
    void wholeRunWritesFileAndShowsSummary();
    void endingMessageOffersTheWrittenFile_data();
    void endingMessageOffersTheWrittenFile();
    void subSecondsInEveryLayout_data();
    void subSecondsInEveryLayout();
    void duplicateNamesAnsweredNoStopsBeforeRunning();
    void progressBarHoldsMoreThan65535Photos();
    void closingDuringRunStopsKeepsFileAndSaves();
    void helpPagesOpenOrSayWhereTheyWereLookedFor();
    void helpButtonLeadsToTheAboutBox();
};

void UiMainTest::storedChoicesReachTheControls_data()
{
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<int>("separatorNum");
    QTest::addColumn<QString>("separatorText");
    QTest::newRow("0 and 2, comma") << QString::fromStdString("101" + std::string(26, '0')) << QList<int>{0, 2} << 0
                                    << QStringLiteral(", (comma)");
    QTest::newRow("only the first, semicolon") << QStringLiteral("1") << QList<int>{0} << 2
                                               << QStringLiteral("; (semi colon)");
    QTest::newRow("2 and x do not tick, Tab") << QString::fromStdString("12x1" + std::string(25, '0'))
                                              << QList<int>{0, 3} << 3 << QStringLiteral("Tab");
    QTest::newRow("last column, colon") << QString::fromStdString(std::string(28, '0') + "1") << QList<int>{28} << 1
                                        << QStringLiteral(": (colon)");
    QTest::newRow("beyond 29 ignored, no entry") << QString::fromStdString(std::string(29, '0') + "111")
                                                 << QList<int>{} << 7 << QString();
    QTest::newRow("empty, typed separator") << QString() << QList<int>{} << -1 << QString();
}

void UiMainTest::storedChoicesReachTheControls()
{
    QFETCH(QString, flags);
    QFETCH(QList<int>, ticked);
    QFETCH(int, separatorNum);
    QFETCH(QString, separatorText);
    ExtractionSettings settings = Defaults();
    settings.Flags = flags.toStdString();
    settings.SeparatorNum = separatorNum;
    NoTags tags;
    CFotoharvesterDlg dlg(settings, tags);
    Unattended(dlg);
    for (int column = 0; column < ColumnCount; ++column)
        QCOMPARE(dlg.IsColumnTicked(column), ticked.contains(column));
    const auto* combo = Child<QComboBox>(dlg, "combo1027");
    QCOMPARE(combo->currentText(), separatorText);
    QCOMPARE(dlg.SeparatorPosition(), separatorText.isEmpty() ? -1 : separatorNum);
    dlg.TakeControlValues();
    QCOMPARE(QString::fromStdString(dlg.SeparatorText()), separatorText);
}

void UiMainTest::everyWayOfClosingKeepsWhatTheWindowShows_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("separator");  // an entry's position, or a typed text
    QTest::addColumn<int>("separatorNum");
    QTest::newRow("Exit") << QStringLiteral("exit") << QStringLiteral("1") << 1;
    QTest::newRow("Escape") << QStringLiteral("escape") << QStringLiteral("0") << 0;
    QTest::newRow("close box") << QStringLiteral("close") << QStringLiteral("2") << 2;
    QTest::newRow("typed separator") << QStringLiteral("exit") << QStringLiteral("|") << -1;
}

void UiMainTest::everyWayOfClosingKeepsWhatTheWindowShows()
{
    QFETCH(QString, how);
    QFETCH(QString, separator);
    QFETCH(int, separatorNum);
    ExtractionSettings stored = Defaults();
    stored.Flags = FlagsWith({3, 4});
    stored.SeparatorNum = 3;
    stored.DateFormat = 6;
    QVERIFY(SaveSettings(stored));

    NoTags tags;
    QSize defaultSize;
    {
        CFotoharvesterDlg dlg(LoadSettings(), tags);
        Unattended(dlg);
        defaultSize = dlg.size();
        ShowActive(dlg);
        dlg.setGeometry(20, 30, defaultSize.width() + 31, defaultSize.height() - 17);
        auto* folder = Child<QLineEdit>(dlg, "edit1000");
        folder->setText(QStringLiteral("/typed/Fotos-\u00e4"));
        Child<QLineEdit>(dlg, "edit1001")->setText(QStringLiteral("/typed/out.txt"));
        for (const char* name : {"check1025", "check1026", "check1029"})
            Child<QCheckBox>(dlg, name)->setChecked(true);
        auto* list = Child<QListWidget>(dlg, "list1003");
        list->item(3)->setCheckState(Qt::Unchecked);
        list->item(28)->setCheckState(Qt::Checked);
        auto* combo = Child<QComboBox>(dlg, "combo1027");
        bool isPosition = false;
        const int position = separator.toInt(&isPosition);
        if (isPosition)
            combo->setCurrentIndex(position);
        else
            combo->setEditText(separator);

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
    }

    const ExtractionSettings reloaded = LoadSettings();
    QCOMPARE(QString::fromStdString(reloaded.Folder), QStringLiteral("/typed/Fotos-\u00e4"));
    QCOMPARE(reloaded.OutFile, std::string("/typed/out.txt"));
    QCOMPARE(reloaded.CommentLine, 1);
    QCOMPARE(reloaded.FullFilePath, 1);
    QCOMPARE(reloaded.SubFolders, 1);
    QCOMPARE(reloaded.Flags, FlagsWith({4, 28}));
    QCOMPARE(Store().value(QStringLiteral("Flags")).toString().size(), ColumnCount);
    QCOMPARE(reloaded.SeparatorNum, separatorNum);
    QCOMPARE(reloaded.DateFormat, 6);
    QCOMPARE(reloaded.MonthNames, english);

    // The next window opens where this one was left, at its size, showing what was kept.
    CFotoharvesterDlg next(reloaded, tags);
    QCOMPARE(next.geometry(), QRect(20, 30, defaultSize.width() + 31, defaultSize.height() - 17));
    QCOMPARE(Child<QLineEdit>(next, "edit1000")->text(), QStringLiteral("/typed/Fotos-\u00e4"));
}

void UiMainTest::firstSizeShowsMostColumnsAndTheListGrows()
{
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    Unattended(dlg);
    // The natural size, as on any screen tall enough for it.
    dlg.resize(dlg.sizeHint());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto* list = Child<QListWidget>(dlg, "list1003");
    const auto rowsShown = [list] {
        int rows = 0;
        for (int row = 0; row < list->count(); ++row)
            rows += list->viewport()->rect().contains(list->visualItemRect(list->item(row))) ? 1 : 0;
        return rows;
    };
    QVERIFY2(rowsShown() >= 20, qPrintable(QString::number(rowsShown())));
    QVERIFY(rowsShown() < ColumnCount);

    const int listHeight = list->height();
    dlg.resize(dlg.width() + 100, dlg.height() + 200);
    QTRY_COMPARE(list->height(), listHeight + 200);
    QCOMPARE(rowsShown(), ColumnCount);
}

void UiMainTest::allAndNoneTickEveryColumn_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("ticked");
    QTest::newRow("All") << QStringLiteral("buttonAll") << true;
    QTest::newRow("None") << QStringLiteral("buttonNone") << false;
    QTest::newRow("Ctrl+A in the list") << QStringLiteral("Ctrl+A") << true;
    QTest::newRow("Ctrl+Shift+A in the list") << QStringLiteral("Ctrl+Shift+A") << false;
    QTest::newRow("list menu: all") << QStringLiteral("menu 0") << true;
    QTest::newRow("list menu: none") << QStringLiteral("menu 1") << false;
}

void UiMainTest::allAndNoneTickEveryColumn()
{
    QFETCH(QString, how);
    QFETCH(bool, ticked);
    ExtractionSettings settings = Defaults();
    settings.Flags = FlagsWith({2, 5});
    NoTags tags;
    CFotoharvesterDlg dlg(settings, tags);
    Unattended(dlg);
    ShowActive(dlg);
    auto* list = Child<QListWidget>(dlg, "list1003");
    if (how.startsWith(QLatin1String("button"))) {
        Child<QPushButton>(dlg, how.toLatin1().constData())->click();
    } else if (how.startsWith(QLatin1String("menu"))) {
        QCOMPARE(list->contextMenuPolicy(), Qt::ActionsContextMenu);
        list->actions().at(how.back().digitValue())->trigger();
    } else {
        list->setFocus();
        QTest::keySequence(list, QKeySequence(how));
    }
    for (int column = 0; column < ColumnCount; ++column)
        QCOMPARE(dlg.IsColumnTicked(column), ticked);
}

void UiMainTest::keyboardReachesEveryControl()
{
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    Unattended(dlg);
    ShowActive(dlg);

    // Tab visits every control that takes the focus, each once, before it comes back round.
    QList<QWidget*> focusable;
    for (QWidget* widget : dlg.findChildren<QWidget*>())
        if (widget->isVisible() && (widget->focusPolicy() & Qt::TabFocus) && widget->focusProxy() == nullptr)
            focusable << widget;
    QWidget* first = Child<QLineEdit>(dlg, "edit1000");
    first->setFocus();
    QList<QWidget*> visited{first};
    for (int step = 0; step < 40; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == first)
            break;
        visited << QApplication::focusWidget();
    }
    for (QWidget* widget : focusable)
        QVERIFY2(visited.count(widget) == 1, qPrintable(widget->objectName()));

    // Every control that takes the focus has a name a screen reader can say.
    for (QWidget* widget : focusable) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible != nullptr);
        const QString name = accessible->text(QAccessible::Name).remove(QLatin1Char('&'));
        QVERIFY2(!name.isEmpty() && name != QLatin1String("..."), qPrintable(widget->objectName()));
    }
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(Child<QListWidget>(dlg, "list1003"));
    QCOMPARE(list->childCount(), ColumnCount);
    for (int column = 0; column < ColumnCount; ++column)
        QCOMPARE(list->child(column)->text(QAccessible::Name),
                 QString::fromUtf8(ColumnCatalogue()[column].heading.data(),
                                   static_cast<qsizetype>(ColumnCatalogue()[column].heading.size())));

    // Alt and a letter takes the focus to each field; the buttons' letters are all different.
    const struct {
        Qt::Key key;
        const char* control;
    } mnemonics[]{{Qt::Key_F, "edit1000"},  {Qt::Key_O, "edit1001"},  {Qt::Key_D, "list1003"},
                  {Qt::Key_S, "combo1027"}, {Qt::Key_U, "check1029"}, {Qt::Key_C, "check1025"},
                  {Qt::Key_P, "check1026"}};
    for (const auto& mnemonic : mnemonics) {
        first->setFocus();
        QTest::keyClick(&dlg, mnemonic.key, Qt::AltModifier);
        QVERIFY2(QApplication::focusWidget() == Child<QWidget>(dlg, mnemonic.control), mnemonic.control);
    }
    QStringList letters;
    for (const QAbstractButton* button : dlg.findChildren<QAbstractButton*>()) {
        QVERIFY2(!button->shortcut().isEmpty(), qPrintable(button->objectName()));
        letters << button->shortcut().toString();
    }
    for (const QLabel* label : dlg.findChildren<QLabel*>())
        letters << QKeySequence::mnemonic(label->text()).toString();
    for (const QGroupBox* box : dlg.findChildren<QGroupBox*>())
        letters << QKeySequence::mnemonic(box->title()).toString();
    letters.removeAll(QString());
    QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
}

void UiMainTest::choosersStartFromWhatIsTypedAndKeepIt_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typedFolder");
    QTest::addColumn<QString>("answer");  // empty: cancelled
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("outFile");
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QTest::newRow("folder chosen") << QStringLiteral("button1019") << QStringLiteral("/typed/photos")
                                   << QStringLiteral("/chosen/photos") << QStringLiteral("/typed/photos")
                                   << QStringLiteral("/chosen/photos") << QStringLiteral("/typed/out");
    QTest::newRow("folder cancelled") << QStringLiteral("button1019") << QStringLiteral("/typed/photos") << QString()
                                      << QStringLiteral("/typed/photos") << QStringLiteral("/typed/photos")
                                      << QStringLiteral("/typed/out");
    QTest::newRow("no folder yet: Pictures") << QStringLiteral("button1019") << QString() << QString() << pictures
                                             << QString() << QStringLiteral("/typed/out");
    QTest::newRow("output chosen") << QStringLiteral("button1020") << QStringLiteral("/typed/photos")
                                   << QStringLiteral("/chosen/out.csv") << QStringLiteral("/typed/out")
                                   << QStringLiteral("/typed/photos") << QStringLiteral("/chosen/out.csv");
    QTest::newRow("output cancelled") << QStringLiteral("button1020") << QStringLiteral("/typed/photos") << QString()
                                      << QStringLiteral("/typed/out") << QStringLiteral("/typed/photos")
                                      << QStringLiteral("/typed/out");
    QTest::newRow("sub-folders clicked") << QStringLiteral("check1029") << QStringLiteral("/typed/photos")
                                         << QString() << QString() << QStringLiteral("/typed/photos")
                                         << QStringLiteral("/typed/out");
}

void UiMainTest::choosersStartFromWhatIsTypedAndKeepIt()
{
    QFETCH(QString, button);
    QFETCH(QString, typedFolder);
    QFETCH(QString, answer);
    QFETCH(QString, given);
    QFETCH(QString, folder);
    QFETCH(QString, outFile);
    ExtractionSettings settings = Defaults();
    settings.Folder = "/held/photos";
    settings.OutFile = "/held/out.csv";
    NoTags tags;
    CFotoharvesterDlg dlg(settings, tags);
    Unattended(dlg);
    QString givenToChooser;
    const auto chooser = [&](QWidget*, const QString& start) -> std::optional<QString> {
        givenToChooser = start;
        return answer.isEmpty() ? std::nullopt : std::optional<QString>(answer);
    };
    dlg.SetFolderChooser(chooser);
    dlg.SetOutputFileChooser(chooser);
    Child<QLineEdit>(dlg, "edit1000")->setText(typedFolder);
    Child<QLineEdit>(dlg, "edit1001")->setText(QStringLiteral("/typed/out"));
    Child<QCheckBox>(dlg, "check1025")->setChecked(true);
    Child<QAbstractButton>(dlg, button.toLatin1().constData())->click();

    QCOMPARE(givenToChooser, given);
    QCOMPARE(Child<QLineEdit>(dlg, "edit1000")->text(), folder);
    QCOMPARE(Child<QLineEdit>(dlg, "edit1001")->text(), outFile);
    QVERIFY(Child<QCheckBox>(dlg, "check1025")->isChecked());
    // What was typed is taken at once, as a run or the close would take it.
    QCOMPARE(QString::fromStdString(dlg.Settings().Folder), folder);
    QCOMPARE(dlg.Settings().CommentLine, 1);
}

void UiMainTest::folderArgumentAndDropsFillTheFolder_data()
{
    QTest::addColumn<QString>("how");      // "arguments", or the control dropped on
    QTest::addColumn<QStringList>("given"); // arguments, or the dropped addresses; "@" is the photo folder
    QTest::addColumn<QString>("folder");   // "@": the photo folder; "held": unchanged
    QTest::addColumn<bool>("accepted");
    const QString held = QStringLiteral("held");
    QTest::newRow("folder argument") << QStringLiteral("arguments") << QStringList{QStringLiteral("@")}
                                     << QStringLiteral("@") << true;
    QTest::newRow("photo argument, after an option")
        << QStringLiteral("arguments") << QStringList{QStringLiteral("--x"), QStringLiteral("@/a.jpg")}
        << QStringLiteral("@") << true;
    QTest::newRow("missing folder argument") << QStringLiteral("arguments") << QStringList{QStringLiteral("@/gone")}
                                             << QStringLiteral("@/gone") << true;
    QTest::newRow("no argument") << QStringLiteral("arguments") << QStringList{} << held << true;
    QTest::newRow("folder dropped on the window") << QStringLiteral("dialog102") << QStringList{QStringLiteral("@")}
                                                  << QStringLiteral("@") << true;
    QTest::newRow("photo dropped on the output box")
        << QStringLiteral("edit1001") << QStringList{QStringLiteral("@/a.jpg")} << QStringLiteral("@") << true;
    QTest::newRow("missing, then a photo, dropped on the folder box")
        << QStringLiteral("edit1000") << QStringList{QStringLiteral("@/gone"), QStringLiteral("@/a.jpg")}
        << QStringLiteral("@") << true;
    QTest::newRow("web address dropped") << QStringLiteral("dialog102")
                                         << QStringList{QStringLiteral("https://example.org/a.jpg")} << held << false;
}

void UiMainTest::folderArgumentAndDropsFillTheFolder()
{
    QFETCH(QString, how);
    QFETCH(QStringList, given);
    QFETCH(QString, folder);
    QFETCH(bool, accepted);
    QTemporaryDir photos;
    QVERIFY(WriteBytes(photos.filePath(QStringLiteral("a.jpg")), "x"));
    const auto resolved = [&](QString text) { return text.replace(QLatin1Char('@'), photos.path()); };
    ExtractionSettings settings = Defaults();
    settings.Folder = "held";
    NoTags tags;
    CFotoharvesterDlg dlg(settings, tags);
    Unattended(dlg);

    if (how == QLatin1String("arguments")) {
        QStringList arguments;
        for (const QString& argument : given)
            arguments << resolved(argument);
        dlg.OpenArguments(arguments);
    } else {
        QList<QUrl> urls;
        for (const QString& address : given)
            urls << (address.startsWith(QLatin1Char('@')) ? QUrl::fromLocalFile(resolved(address)) : QUrl(address));
        // As file managers offer it: the addresses, and the same as text for a text box to take.
        QMimeData data;
        data.setUrls(urls);
        data.setText(urls.constFirst().toString());
        QWidget* target = how == QLatin1String("dialog102") ? &dlg : Child<QWidget>(dlg, how.toLatin1().constData());
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QCOMPARE(enter.isAccepted(), accepted);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
    QCOMPARE(Child<QLineEdit>(dlg, "edit1000")->text(), QDir::toNativeSeparators(resolved(folder)));
    QCOMPARE(Child<QLineEdit>(dlg, "edit1001")->text(), QString());
}

void UiMainTest::setupOkTakesBackEveryValue()
{
    ExtractionSettings settings = Defaults();
    settings.DateFormat = 3;
    settings.Formats = 1;
    NoTags tags;
    CFotoharvesterDlg dlg(settings, tags);
    Unattended(dlg);
    bool startedFromTheSettings = false;
    QTimer::singleShot(0, &dlg, [&] {
        auto* setup = dlg.findChild<CSetup*>();
        if (setup == nullptr)
            return;
        startedFromTheSettings = Child<QComboBox>(*setup, "combo1018")->currentIndex() == 3 &&
                                 Child<QLineEdit>(*setup, "edit1010")->text() == QLatin1String("May");
        Child<QLineEdit>(*setup, "edit1017")->setText(QStringLiteral("Dez"));
        Child<QComboBox>(*setup, "combo1018")->setCurrentIndex(1);
        Child<QCheckBox>(*setup, "check1028")->setChecked(true);
        Child<QComboBox>(*setup, "comboFormats")->setCurrentIndex(0);
        Child<QCheckBox>(*setup, "check1033")->setChecked(true);
        Child<QPushButton>(*setup, "button1")->click();
    });
    Child<QPushButton>(dlg, "button1005")->click();
    QVERIFY(startedFromTheSettings);
    QCOMPARE(dlg.Settings().DateFormat, 1);
    QCOMPARE(dlg.Settings().SubSeconds, 1);
    QCOMPARE(dlg.Settings().Formats, 0);
    QCOMPARE(dlg.Settings().Spreadsheet, 1);
    QCOMPARE(dlg.Settings().MonthNames[11], std::string("Dez"));
    QCOMPARE(dlg.Settings().MonthNames[10], std::string("November"));
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
    QCOMPARE(mapCheck->text(), QStringLiteral("Also write a &map file (GeoJSON)"));
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

void UiMainTest::extractRefusesWithAMessageAndStaysIdle_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("withFolder");
    QTest::addColumn<int>("message");
    QTest::newRow("Extract, no folder") << QStringLiteral("button1") << false << int(MessageId::FolderEmpty);
    QTest::newRow("Extract, missing folder") << QStringLiteral("button1") << true << int(MessageId::FolderMissing);
    QTest::newRow("Enter in the folder box") << QStringLiteral("edit1000") << false << int(MessageId::FolderEmpty);
    QTest::newRow("Enter in the separator box") << QStringLiteral("combo1027") << false << int(MessageId::FolderEmpty);
}

void UiMainTest::extractRefusesWithAMessageAndStaysIdle()
{
    QFETCH(QString, how);
    QFETCH(bool, withFolder);
    QFETCH(int, message);
    QTemporaryDir missingParent;
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    Unattended(dlg);
    ShowActive(dlg);
    if (withFolder)
        Child<QLineEdit>(dlg, "edit1000")->setText(missingParent.filePath(QStringLiteral("not-there")));
    dlg.Messages().setNextAnswers({QMessageBox::Ok});
    if (how == QLatin1String("button1")) {
        Child<QPushButton>(dlg, "button1")->click();
    } else {
        auto* control = Child<QWidget>(dlg, how.toLatin1().constData());
        control->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }

    const auto& shown = dlg.Messages().shown();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].text, QString::fromStdString(MakeMessage(MessageId(message)).text));
    QCOMPARE(shown[0].icon, QMessageBox::Warning);
    QCOMPARE(shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(shown[0].actions.isEmpty());
    QCOMPARE(shown[0].title, QStringLiteral("fotoharvester"));
    QVERIFY(dlg.isVisible());
    QVERIFY(Child<QPushButton>(dlg, "button1")->isEnabled());
    QVERIFY(Child<QProgressBar>(dlg, "progress1023")->isHidden());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(Child<QComboBox>(dlg, "combo1027")->count(), 4);  // Enter did not add the text to the list
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
    bool progressShown = false;
    bool waitCursor = false;
    QStringList enabledDuringRun;
    QTimer::singleShot(0, &dlg, [&] {
        for (const char* name : {"edit1000", "edit1001", "button1019", "button1020", "check1029", "list1003",
                                 "buttonAll", "buttonNone", "check1025", "check1026", "combo1027", "button1",
                                 "button1005", "button1031", "button2"})
            if (Child<QWidget>(dlg, name)->isEnabled())
                enabledDuringRun << QLatin1String(name);
        // Changed by a program, as no user can while they are disabled: the run goes on as started.
        Child<QListWidget>(dlg, "list1003")->item(4)->setCheckState(Qt::Checked);
        Child<QCheckBox>(dlg, "check1026")->setChecked(true);
        sawRunning = dlg.IsRunning();
        statusDuringRun = Child<QLineEdit>(dlg, "edit1024")->text();
        progressShown = Child<QProgressBar>(dlg, "progress1023")->isVisible() &&
                        Child<QPushButton>(dlg, "button1031")->isVisible();
        waitCursor = QApplication::overrideCursor() != nullptr &&
                     QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    Child<QPushButton>(dlg, "button1")->click();

    QVERIFY(sawRunning);
    QCOMPARE(statusDuringRun, QStringLiteral("Extracting data..."));
    QVERIFY(progressShown);
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
    QCOMPARE(shown[1].text, QStringLiteral("EXIF data have been extracted from 3 of 4 files and stored in %1.\n"
                                           "1 of these files could not be read as photos: their records hold no metadata.")
                                .arg(written));
    QCOMPARE(shown[1].details, QDir(photos.path()).filePath(QStringLiteral("text.jpg: not a photo, or damaged")));
    QCOMPARE(shown[1].icon, QMessageBox::Warning);

    // Back to idle, with the folder shown as the run completed it.
    QVERIFY(!dlg.IsRunning());
    for (const char* name : {"button1", "button1005", "list1003", "edit1000"})
        QVERIFY2(Child<QWidget>(dlg, name)->isEnabled(), name);
    QVERIFY(Child<QProgressBar>(dlg, "progress1023")->isHidden());
    QVERIFY(Child<QPushButton>(dlg, "button1031")->isHidden());
    QVERIFY(Child<QLineEdit>(dlg, "edit1024")->text().isEmpty());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(Child<QLineEdit>(dlg, "edit1000")->text(), photos.path() + QLatin1Char('/'));
    QCOMPARE(Child<QLineEdit>(dlg, "edit1001")->text(), outFile);
    // The run took the ticks and the separator it was started with.
    QCOMPARE(dlg.Settings().Flags, FlagsWith({7, 8}));
    QCOMPARE(dlg.Settings().SeparatorNum, 2);
}

void UiMainTest::endingMessageOffersTheWrittenFile_data()
{
    QTest::addColumn<bool>("abort");
    QTest::addColumn<int>("answer");  // an action's index; -1 for OK
    QTest::addColumn<bool>("opens");  // what the desktop answers
    QTest::addColumn<QString>("opened");  // "file", "folder" or nothing
    QTest::newRow("OK") << false << -1 << true << QString();
    QTest::newRow("Open file") << false << 0 << true << QStringLiteral("file");
    QTest::newRow("Show in folder") << false << 1 << true << QStringLiteral("folder");
    QTest::newRow("no program for the file") << false << 0 << false << QStringLiteral("file");
    QTest::newRow("Abort, then Show in folder") << true << 1 << true << QStringLiteral("folder");
}

void UiMainTest::endingMessageOffersTheWrittenFile()
{
    QFETCH(bool, abort);
    QFETCH(int, answer);
    QFETCH(bool, opens);
    QFETCH(QString, opened);
    ScriptedPhotos photos({"p1.jpg", "p2.jpg", "p3.jpg"}, TagsWith({{Tag::Make, Text("Fuji")}}));
    ExtractionSettings settings = photos.Settings({4});
    settings.CommentLine = 1;
    CFotoharvesterDlg dlg(settings, photos.tags);
    Unattended(dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QList<QUrl> openedUrls;
    dlg.SetDesktopOpener([&](const QUrl& address) {
        openedUrls << address;
        return opens;
    });
    dlg.Messages().setNextAnswers({answer < 0 ? MessageBoxes::Answer(QMessageBox::Ok)
                                              : MessageBoxes::Answer::Action(answer)});
    if (abort)
        photos.tags.whileReading = [&] { Child<QPushButton>(dlg, "button1031")->click(); };
    Child<QPushButton>(dlg, "button1")->click();

    const QString out = photos.OutFile();
    QStringList lines{QStringLiteral("!\"Filename\",\"Camera manufacturer\""), QStringLiteral("\"p1.jpg\",Fuji")};
    if (!abort)
        lines << QStringLiteral("\"p2.jpg\",Fuji") << QStringLiteral("\"p3.jpg\",Fuji");
    QCOMPARE(ReadLines(out), lines);
    const auto& shown = dlg.Messages().shown();
    QCOMPARE(int(shown.size()), opens ? 1 : 2);
    QCOMPARE(shown[0].text,
             abort ? QStringLiteral("Stopped after 1 photos; %1 holds the records written so far.").arg(out)
                   : QStringLiteral("EXIF data have been successfully extracted from 3 files and stored in %1.").arg(out));
    QCOMPARE(shown[0].actions, (QStringList{QStringLiteral("&Open file"), QStringLiteral("&Show in folder")}));
    QCOMPARE(shown[0].icon, QMessageBox::Information);

    QList<QUrl> expected;
    if (opened == QLatin1String("file"))
        expected << QUrl::fromLocalFile(out);
    else if (opened == QLatin1String("folder"))
        expected << QUrl::fromLocalFile(photos.outFolder.path());
    QCOMPARE(openedUrls, expected);
    if (!opens)
        QVERIFY(shown[1].text.contains(QDir::toNativeSeparators(out)));
}

void UiMainTest::subSecondsInEveryLayout_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("subSeconds");
    QTest::addColumn<QString>("dateAndTime");
    const char* const laidOut[] = {"2000:05:07", "07 May 2000", "May 07 2000", "2000-05-07", "07-05-2000",
                                   "07/05/2000", "05/07/2000",  "07.05.2000",  "2000/05/07"};
    for (int layout = 0; layout < 9; ++layout)
        QTest::addRow("layout %d", layout) << layout << 1 << QStringLiteral("%1 14:22:01.25").arg(QLatin1String(laidOut[layout]));
    QTest::newRow("layout 1, not asked for") << 1 << 0 << QStringLiteral("07 May 2000 14:22:01");
}

void UiMainTest::subSecondsInEveryLayout()
{
    QFETCH(int, layout);
    QFETCH(int, subSeconds);
    QFETCH(QString, dateAndTime);
    ScriptedPhotos photos({"a.jpg"}, TagsWith({{Tag::DateTimeOriginal, Text("2000:05:07 14:22:01")},
                                                {Tag::SubSecTimeOriginal, Text("25")}}));
    ExtractionSettings settings = photos.Settings({1, 2});
    settings.DateFormat = layout;
    settings.SubSeconds = subSeconds;
    CFotoharvesterDlg dlg(settings, photos.tags);
    Unattended(dlg);
    Child<QPushButton>(dlg, "button1")->click();
    const QString time = dateAndTime.mid(dateAndTime.lastIndexOf(QLatin1Char(' ')) + 1);
    QCOMPARE(ReadLines(photos.OutFile()), QStringList{QStringLiteral("\"a.jpg\",\"%1\",\"%2\"").arg(time, dateAndTime)});
}

void UiMainTest::duplicateNamesAnsweredNoStopsBeforeRunning()
{
    ScriptedPhotos photos({"a.jpg"});
    QVERIFY(QDir(photos.folder.path()).mkdir(QStringLiteral("sub")));
    QVERIFY(WriteBytes(photos.folder.filePath(QStringLiteral("sub/a.jpg")), "x"));
    ExtractionSettings settings = photos.Settings({7});
    settings.SubFolders = 1;
    CFotoharvesterDlg dlg(settings, photos.tags);
    Unattended(dlg);
    dlg.Messages().setNextAnswers({QMessageBox::No});
    Child<QPushButton>(dlg, "button1")->click();

    QCOMPARE(int(dlg.Messages().shown().size()), 1);
    QCOMPARE(dlg.Messages().shown()[0].text, QString::fromStdString(MakeMessage(MessageId::DuplicateNames).text));
    QVERIFY(!QFile::exists(photos.OutFile()));
    QVERIFY(photos.tags.readPaths.empty());
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

void UiMainTest::closingDuringRunStopsKeepsFileAndSaves()
{
    ScriptedPhotos photos({"p1.jpg", "p2.jpg", "p3.jpg"}, TagsWith({{Tag::Make, Text("Fuji")}}));
    ExtractionSettings settings = photos.Settings({4});
    settings.SeparatorNum = 3;  // Tab
    CFotoharvesterDlg dlg(settings, photos.tags);
    Unattended(dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    bool closeAccepted = true;
    bool stillRunningAfterClose = false;
    bool closing = false;
    photos.tags.whileReading = [&] {
        if (std::exchange(closing, true))
            return;
        closeAccepted = dlg.close();
        stillRunningAfterClose = dlg.IsRunning() && dlg.isVisible();
        dlg.reject();  // a second request while stopping changes nothing
    };
    Child<QPushButton>(dlg, "button1")->click();

    QVERIFY(!closeAccepted);  // the window waited for the run ...
    QVERIFY(stillRunningAfterClose);
    QVERIFY(!dlg.isVisible());  // ... and then closed
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(ReadLines(photos.OutFile()), QStringList{QStringLiteral("\"p1.jpg\"\tFuji")});
    QVERIFY(dlg.Messages().shown().empty());  // the user who closed the window is not told where it stopped
    const ExtractionSettings reloaded = LoadSettings();
    QCOMPARE(reloaded.Flags, FlagsWith({4}));
    QCOMPARE(reloaded.SeparatorNum, 3);
    QCOMPARE(reloaded.Folder, (photos.folder.path() + QLatin1Char('/')).toStdString());
}

void UiMainTest::helpPagesOpenOrSayWhereTheyWereLookedFor()
{
    QTemporaryDir empty;
    for (const bool installed : {true, false}) {
        NoTags tags;
        CFotoharvesterDlg dlg(Defaults(), tags);
        Unattended(dlg);
        QList<QUrl> opened;
        dlg.SetDesktopOpener([&](const QUrl& page) {
            opened << page;
            return true;
        });
        if (!installed)
            dlg.SetHelpFolders({empty.path()});
        ShowActive(dlg);
        QTest::keyClick(Child<QLineEdit>(dlg, "edit1000"), Qt::Key_F1);

        if (!installed) {
            QVERIFY(opened.isEmpty());
            QCOMPARE(int(dlg.Messages().shown().size()), 1);
            QVERIFY(dlg.Messages().shown()[0].text.contains(empty.path()));
            continue;
        }
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened[0].isLocalFile());
        QFile page(opened[0].toLocalFile());
        QCOMPARE(QFileInfo(page).fileName(), QStringLiteral("index.html"));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QByteArray html = page.readAll();
        QVERIFY(html.contains("07 May 2000 14:22:01"));
        QVERIFY(html.contains("fotoharvester-cli"));
        QVERIFY(dlg.Messages().shown().empty());
    }
}

void UiMainTest::helpButtonLeadsToTheAboutBox()
{
    NoTags tags;
    CFotoharvesterDlg dlg(Defaults(), tags);
    Unattended(dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QMenu* menu = Child<QPushButton>(dlg, "buttonHelp")->menu();
    QVERIFY(menu != nullptr);
    QAction* about = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == QStringLiteral("&About Fotoharvester..."))
            about = action;
    QVERIFY(about != nullptr);
    QVERIFY(dlg.actions().contains(about));  // and in the right-click menu

    bool shown = false;
    QTimer::singleShot(0, &dlg, [&] {
        auto* box = dlg.findChild<CAboutDlg*>();
        shown = box != nullptr && box->isVisible();
        if (box != nullptr)
            Child<QPushButton>(*box, "button1")->click();
    });
    about->trigger();
    QVERIFY(shown);
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
