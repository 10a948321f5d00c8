// The window and its Setup dialog, driven offscreen, for what they add to the run: the settings in
// and out of the controls and kept on closing, keys, choosers, arguments and drops, Setup's
// choices, and how the window hosts a run: its state meanwhile, its questions and messages, Abort
// and closing mid-run.

#include "settings/SettingsStore.h"
#include "extract/ColumnCatalogue.h"
#include "extract/RecordComposer.h"
#include "extract/Messages.h"
#include "ui/AboutDialog.h"
#include "ui/DesktopOpener.h"
#include "ui/MainWindow.h"
#include "ui/SetupDialog.h"
#include "ui/TagDialog.h"
#include "ui/WindowLanguage.h"

#include "support/ScriptedTagSource.h"
#include "support/Tags.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTableView>
#include <QDialogButtonBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <QtTest>

#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

template <typename T = QWidget>
T* Child(const QObject& parent, const char* name)
{
    T* child = parent.findChild<T*>(QLatin1String(name));
    if (child == nullptr)
        throw std::runtime_error(std::string("no control named ") + name);
    return child;
}

// The tags a reader would list, a few of them.
KnownTagList SomeTags()
{
    return {{{"Exif Photo", "Lens Serial Number", "Exif.Photo.LensSerialNumber", "The lens's serial number."},
             {"IPTC Application2", "City", "Iptc.Application2.City", "City of the object."},
             {"XMP xmp", "Rating", "Xmp.xmp.Rating", "A number for the document's status."}},
            {}};
}

const SetupDialog::MonthNames english{"January", "February", "March",     "April",   "May",      "June",
                                      "July",    "August",   "September", "October", "November", "December"};

ExtractionSettings Defaults(std::initializer_list<int> ticked = {})
{
    ExtractionSettings settings = DefaultSettings(english);
    settings.Flags = std::string(ColumnCount(), '0');
    for (int column : ticked)
        settings.Flags[column] = '1';
    return settings;
}

QStringList ReadLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {u"<cannot open %1>"_s.arg(path)};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool Touch(const QString& path)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

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

// A folder of photos whose tags come from the script, and one for the output.
struct Photos {
    QTemporaryDir folder;
    QTemporaryDir outFolder;
    ScriptedTags tags;

    explicit Photos(std::initializer_list<const char*> names,
                    const PhotoTags& photoTags = TagsWith({{Tag::Make, Text("Fuji")}}))
    {
        for (const char* name : names) {
            Touch(folder.filePath(QLatin1String(name)));
            tags.Set(QFileInfo(QLatin1String(name)).fileName().toStdString(), photoTags);
        }
    }
    QString OutFile() const { return outFolder.filePath(u"out.csv"_s); }
    ExtractionSettings Settings(std::initializer_list<int> ticked) const
    {
        ExtractionSettings settings = Defaults(ticked);
        settings.Folder = folder.path().toStdString();
        settings.OutFile = OutFile().toStdString();
        return settings;
    }
};

// The tags of a window whose test gives none; a base, so that they are made before the window.
struct NoPhotos {
    ScriptedTags noPhotos;
};

// The window with nothing that could wait for a person: a message box beyond the answers a test
// queues is answered "none" (and recorded), the choosers stay shut, and what the desktop is asked
// to open is recorded.
class Window : private NoPhotos, public MainWindow {
public:
    QList<QUrl> opened;
    bool desktopOpens = true;

    explicit Window(ExtractionSettings settings = Defaults(), TagSource* tags = nullptr)
        : MainWindow(std::move(settings), tags != nullptr ? *tags : noPhotos)
    {
        Messages().setAnswerWhenNoneQueued(QMessageBox::NoButton);
        SetFolderChooser([](QWidget*, const QString&) { return std::optional<QString>(); });
        SetOutputFileChooser([](QWidget*, const QString&) { return std::optional<QString>(); });
        SetDesktopOpener([this](const QUrl& address, const std::function<void()>& notOpened) {
            opened << address;
            if (!desktopOpens)
                notOpened();
        });
    }
    bool ShowActive()
    {
        show();
        activateWindow();
        return QTest::qWaitForWindowActive(this);
    }
    const std::vector<MessageBoxes::Shown>& Shown() { return Messages().shown(); }
};

// A button clicked next to what is typed: what a chooser is given and what the boxes show after.
struct Chooser {
    QString control, typedFolder, typedOutput;
    QString answer;  // empty: cancelled
    QString given;   // to the chooser
    QString folder, outFile;
};

}  // namespace

class UiMainTest : public QObject {
    Q_OBJECT

private slots:
    void init()  // no test sees the settings or the window place another test left
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(SettingsOrganisation),
                  QLatin1String(SettingsApplication))
            .clear();
    }

    void closingKeepsWhatTheWindowShows_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("storedSeparator");
        QTest::addColumn<QString>("separator");  // chosen or typed; empty: left alone
        QTest::addColumn<int>("keptSeparator");
        QTest::addColumn<QString>("shownAgain");  // by the next window
        QTest::newRow("Exit") << u"exit"_s << 3 << u": (colon)"_s << 1 << u": (colon)"_s;
        QTest::newRow("Escape") << u"escape"_s << 3 << u", (comma)"_s << 0 << u", (comma)"_s;
        QTest::newRow("close box") << u"close"_s << 3 << u"; (semi colon)"_s << 2 << u"; (semi colon)"_s;
        QTest::newRow("typed separator") << u"exit"_s << 3 << u"|"_s << -1 << u"|"_s;
        QTest::newRow("separator left alone") << u"exit"_s << 3 << QString() << 3 << u"Tab"_s;
        QTest::newRow("typed separator last time") << u"exit"_s << -1 << QString() << -1 << u"#"_s;
    }

    void closingKeepsWhatTheWindowShows()
    {
        QFETCH(QString, how);
        QFETCH(int, storedSeparator);
        QFETCH(QString, separator);
        QFETCH(int, keptSeparator);
        QFETCH(QString, shownAgain);
        ExtractionSettings stored = Defaults({3, 4});
        stored.SeparatorNum = storedSeparator;
        stored.SeparatorText = "#";  // typed last time; shown only where the position names no entry
        stored.DateFormat = 6;
        QRect placed;
        {
            Window window(stored);
            QVERIFY(window.ShowActive());
            placed = QRect(20, 30, window.width() + 31, window.height() - 17);
            window.setGeometry(placed);
            Child<QLineEdit>(window, "folderEdit")->setText(u"/typed/Fotos-\u00e4"_s);
            Child<QLineEdit>(window, "outputEdit")->setText(u"/typed/out.txt"_s);
            for (const char* name : {"headingsCheck", "fullPathCheck", "subFoldersCheck", "mapFileCheck"})
                Child<QCheckBox>(window, name)->setChecked(true);
            auto* list = Child<QListWidget>(window, "columnList");
            list->item(3)->setCheckState(Qt::Unchecked);
            list->item(28)->setCheckState(Qt::Checked);
            if (!separator.isEmpty())
                Child<QComboBox>(window, "separatorCombo")->setEditText(separator);

            if (how == "exit"_L1)
                Child<QPushButton>(window, "exitButton")->click();
            else if (how == "escape"_L1)
                QTest::keyClick(Child(window, "folderEdit"), Qt::Key_Escape);
            else
                QVERIFY(window.close());
            QVERIFY(!window.isVisible());
        }

        const ExtractionSettings kept = LoadSettings();
        QCOMPARE(QString::fromStdString(kept.Folder), u"/typed/Fotos-\u00e4"_s);
        QCOMPARE(kept.OutFile, std::string("/typed/out.txt"));
        QCOMPARE((std::array{kept.CommentLine, kept.FullFilePath, kept.SubFolders, kept.MapFile}),
                 (std::array{1, 1, 1, 1}));
        QCOMPARE(kept.Flags, Defaults({4, 28}).Flags);
        QCOMPARE(kept.SeparatorNum, keptSeparator);
        QCOMPARE(kept.DateFormat, 6);  // what the window does not show is kept as it was given
        // The next window opens where this one was left, at its size, showing what was kept.
        Window next(kept);
        QCOMPARE(next.geometry(), placed);
        QCOMPARE(Child<QLineEdit>(next, "folderEdit")->text(), u"/typed/Fotos-\u00e4"_s);
        QCOMPARE(next.SeparatorPosition(), keptSeparator);
        QCOMPARE(Child<QComboBox>(next, "separatorCombo")->currentText(), shownAgain);
    }

    // Tags are added after the columns, ticked, each once; they can be unticked and removed, runs
    // write them, and closing keeps them for the next window and the batch command.
    void addedTagsFollowTheColumnsAndAreKept()
    {
        Photos photos({"a.jpg"});
        photos.tags.Set("a.jpg", TagsWith({{Tag::Make, Text("Fuji")}}), ReadOutcome::Read,
                        {{"4", 4.0}, {"LS-1", std::nullopt}});
        ExtractionSettings stored = photos.Settings({4});
        stored.CommentLine = 1;
        {
            Window window(stored, &photos.tags);
            QVERIFY(window.ShowActive());
            window.SetTagLister(SomeTags);
            std::string chosen;
            window.SetTagChooser(
                [&chosen](QWidget*, const KnownTagList&) { return std::optional<std::string>(chosen); });
            auto* list = Child<QListWidget>(window, "columnList");
            auto* add = Child<QPushButton>(window, "addTagButton");
            auto* remove = Child<QPushButton>(window, "removeTagButton");
            for (const char* key :
                 {"Xmp.xmp.Rating", "Iptc.Application2.City", "Exif.Photo.LensSerialNumber", "Xmp.xmp.Rating"}) {
                chosen = key;
                add->click();
            }
            QCOMPARE(list->count(), ColumnCount() + 3);
            QCOMPARE(list->item(ColumnCount())->text(), u"Xmp.xmp.Rating (Rating)"_s);
            QCOMPARE(list->item(ColumnCount())->checkState(), Qt::Checked);
            list->setCurrentRow(ColumnCount() - 1);
            QVERIFY(!remove->isEnabled());  // a built-in column stays
            list->setCurrentRow(ColumnCount() + 1);
            QVERIFY(remove->isEnabled());
            remove->click();
            QCOMPARE(list->item(ColumnCount() + 1)->text(), u"Exif.Photo.LensSerialNumber (Lens Serial Number)"_s);
            Child<QPushButton>(window, "extractButton")->click();
            QCOMPARE(ReadLines(photos.OutFile()),
                     (QStringList{
                         u"!\"Filename\",\"Camera manufacturer\",\"Xmp.xmp.Rating\",\"Exif.Photo.LensSerialNumber\""_s,
                         u"\"a.jpg\",Fuji,4,\"LS-1\""_s}));
            list->item(ColumnCount())->setCheckState(Qt::Unchecked);
            QVERIFY(window.close());
        }
        const ExtractionSettings kept = LoadSettings();
        QCOMPARE(kept.ExtraTags, std::string("Xmp.xmp.Rating Exif.Photo.LensSerialNumber"));
        QCOMPARE(kept.Flags, Defaults({4}).Flags + "01");
        Window next(kept, &photos.tags);
        next.SetTagLister(SomeTags);
        auto* list = Child<QListWidget>(next, "columnList");
        QCOMPARE(list->count(), ColumnCount() + 2);
        QCOMPARE(list->item(ColumnCount())->checkState(), Qt::Unchecked);
        QTRY_COMPARE(list->item(ColumnCount() + 1)->text(), u"Exif.Photo.LensSerialNumber (Lens Serial Number)"_s);
    }

    // Typing narrows the list in any column and case; a chosen row or a typed key fills the key,
    // and only a key libexiv2 knows can be added -- any key's form when there is no list.
    void tagDialogFiltersAndTakesOnlyKnownKeys()
    {
        const KnownTagList known = SomeTags();
        TagDialog dialog(known);
        auto* table = Child<QTableView>(dialog, "tagTable");
        auto* key = Child<QLineEdit>(dialog, "tagKeyEdit");
        QPushButton* add = Child<QDialogButtonBox>(dialog, "tagButtons")->button(QDialogButtonBox::Ok);
        QCOMPARE(table->model()->rowCount(), 3);
        QTest::keyClicks(Child<QLineEdit>(dialog, "tagFilter"), u"CITY"_s);
        QCOMPARE(table->model()->rowCount(), 1);
        QVERIFY(!add->isEnabled());
        table->setCurrentIndex(table->model()->index(0, 0));
        QCOMPARE(dialog.Key(), std::string("Iptc.Application2.City"));
        QVERIFY(add->isEnabled());
        key->setText(u"Xmp.xmp.Ratin"_s);
        QVERIFY(!add->isEnabled());
        key->setText(u" Xmp.xmp.Rating "_s);
        QVERIFY(add->isEnabled());
        QCOMPARE(dialog.Key(), std::string("Xmp.xmp.Rating"));

        const KnownTagList none{{}, "the reader could not be started"};
        TagDialog unlisted(none);
        Child<QLineEdit>(unlisted, "tagKeyEdit")->setText(u"Xmp.custom.Thing"_s);
        QVERIFY(Child<QDialogButtonBox>(unlisted, "tagButtons")->button(QDialogButtonBox::Ok)->isEnabled());
        QVERIFY(Child<QLabel>(unlisted, "tagKeyNote")->text().contains(u"could not be started"_s));
    }

    void firstSizeShowsMostColumnsAndTheListGrows()
    {
        Window window;
        window.resize(window.sizeHint());  // the natural size, as on any screen tall enough for it
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* list = Child<QListWidget>(window, "columnList");
        const auto rowsShown = [list] { return list->viewport()->height() / list->sizeHintForRow(0); };
        QVERIFY2(rowsShown() >= 20 && rowsShown() < ColumnCount(), qPrintable(QString::number(rowsShown())));
        const int listHeight = list->height();
        window.resize(window.width() + 100, window.height() + 200);
        QTRY_COMPARE(list->height(), listHeight + 200);
        QVERIFY(rowsShown() >= ColumnCount());
    }

    void allAndNoneTickEveryColumn_data()
    {
        QTest::addColumn<QString>("how");  // a button, keys in the list, or an entry of its menu
        QTest::addColumn<bool>("ticked");
        QTest::newRow("All") << u"tickAllButton"_s << true;
        QTest::newRow("None") << u"tickNoneButton"_s << false;
        QTest::newRow("Ctrl+A in the list") << u"Ctrl+A"_s << true;
        QTest::newRow("Ctrl+Shift+A in the list") << u"Ctrl+Shift+A"_s << false;
        QTest::newRow("list menu: all") << u"menu 0"_s << true;
        QTest::newRow("list menu: none") << u"menu 1"_s << false;
    }

    void allAndNoneTickEveryColumn()
    {
        QFETCH(QString, how);
        QFETCH(bool, ticked);
        Window window(Defaults({2, 5}));
        QVERIFY(window.ShowActive());
        auto* list = Child<QListWidget>(window, "columnList");
        if (how.endsWith("Button"_L1)) {
            Child<QPushButton>(window, qPrintable(how))->click();
        } else if (how.startsWith("menu"_L1)) {
            QCOMPARE(list->contextMenuPolicy(), Qt::ActionsContextMenu);
            list->actions().at(how.back().digitValue())->trigger();
        } else {
            list->setFocus();
            QTest::keySequence(list, QKeySequence(how));
        }
        for (int column = 0; column < ColumnCount(); ++column)
            QCOMPARE(window.IsColumnTicked(column), ticked);
    }

    void keysAndNamesForEveryControl()
    {
        Window window;
        QVERIFY(window.ShowActive());
        // Every control that takes the focus has a name a screen reader can say.
        for (QWidget* widget : window.findChildren<QWidget*>())
            if (widget->isVisible() && (widget->focusPolicy() & Qt::TabFocus) && widget->focusProxy() == nullptr)
                QVERIFY2(
                    !QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name).remove(u"..."_s).isEmpty(),
                    qPrintable(widget->objectName()));
        // The letters are all different, and the data's leads to the list even when another
        // control of its box had the focus last.
        QStringList letters;
        for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
            letters << button->shortcut().toString();
        for (const QLabel* label : window.findChildren<QLabel*>())
            letters << QKeySequence::mnemonic(label->text()).toString();
        for (const QGroupBox* box : window.findChildren<QGroupBox*>())
            letters << QKeySequence::mnemonic(box->title()).toString();
        letters.removeAll(QString());
        QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
        Child(window, "headingsCheck")->setFocus();
        Child(window, "folderEdit")->setFocus();
        QTest::keyClick(&window, Qt::Key_D, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), Child(window, "columnList"));
    }

    void choosersStartFromWhatIsTypedAndKeepIt_data()
    {
        QTest::addColumn<Chooser>("row");
        const QString folder = u"browseFolderButton"_s, output = u"browseOutputButton"_s;
        const QString typed = u"/typed"_s, out = u"/out"_s;
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        const QString subFolders = u"subFoldersCheck"_s, home = QDir::toNativeSeparators(QDir::homePath());
        QTest::newRow("folder chosen") << Chooser{folder, typed, out, u"/chosen"_s, typed, u"/chosen"_s, out};
        QTest::newRow("folder cancelled") << Chooser{folder, typed, out, {}, typed, typed, out};
        QTest::newRow("no folder yet: Pictures") << Chooser{folder, {}, out, {}, pictures, {}, out};
        QTest::newRow("output chosen") << Chooser{output, typed, out, u"/chosen.csv"_s, out, typed, u"/chosen.csv"_s};
        QTest::newRow("output cancelled") << Chooser{output, typed, out, {}, out, typed, out};
        QTest::newRow("sub-folders clicked") << Chooser{subFolders, typed, out, {}, {}, typed, out};
        // "~" is the home folder, as in a shell; another user's "~name" is left as typed.
        QTest::newRow("home folder typed") << Chooser{
            folder, u"~/typed"_s, u"~/out.csv"_s, {}, home + u"/typed"_s, home + u"/typed"_s, home + u"/out.csv"_s};
        QTest::newRow("home alone, and another user's")
            << Chooser{folder, u"~"_s, u"~other/out.csv"_s, {}, home, home, u"~other/out.csv"_s};
    }

    void choosersStartFromWhatIsTypedAndKeepIt()
    {
        QFETCH(Chooser, row);
        ExtractionSettings settings = Defaults();
        settings.Folder = "/held/photos";
        settings.OutFile = "/held/out.csv";
        Window window(settings);
        QString givenToChooser;
        const auto chooser = [&](QWidget*, const QString& start) {
            givenToChooser = start;
            return row.answer.isEmpty() ? std::nullopt : std::optional<QString>(row.answer);
        };
        window.SetFolderChooser(chooser);
        window.SetOutputFileChooser(chooser);
        Child<QLineEdit>(window, "folderEdit")->setText(row.typedFolder);
        Child<QLineEdit>(window, "outputEdit")->setText(row.typedOutput);
        Child<QCheckBox>(window, "headingsCheck")->setChecked(true);
        Child<QAbstractButton>(window, qPrintable(row.control))->click();

        QCOMPARE(givenToChooser, row.given);
        QCOMPARE(Child<QLineEdit>(window, "folderEdit")->text(), row.folder);
        QCOMPARE(Child<QLineEdit>(window, "outputEdit")->text(), row.outFile);
        QVERIFY(Child<QCheckBox>(window, "headingsCheck")->isChecked());
        // What was typed is taken at once, as a run or the close would take it.
        QCOMPARE(QString::fromStdString(window.Settings().Folder), row.folder);
    }

    void folderArgumentAndDropsFillTheFolder_data()
    {
        QTest::addColumn<QString>("target");     // "arguments", or the control dropped on
        QTest::addColumn<QStringList>("given");  // the arguments or the dropped addresses; @ is the photos' folder
        QTest::addColumn<QString>("folder");     // as the folder box shows it after
        QTest::addColumn<bool>("accepted");
        const QString args = u"arguments"_s, photos = u"@"_s, photo = u"@/a.jpg"_s, gone = u"@/gone"_s;
        QTest::newRow("folder argument") << args << QStringList{photos} << photos << true;
        QTest::newRow("photo argument, after an option") << args << QStringList{u"--x"_s, photo} << photos << true;
        QTest::newRow("missing folder argument") << args << QStringList{gone} << gone << true;
        QTest::newRow("no argument") << args << QStringList{} << u"held"_s << true;
        QTest::newRow("folder dropped on the window") << u"mainWindow"_s << QStringList{photos} << photos << true;
        QTest::newRow("photo dropped on the output box") << u"outputEdit"_s << QStringList{photo} << photos << true;
        QTest::newRow("missing, then a photo, dropped on the folder box")
            << u"folderEdit"_s << QStringList{gone, photo} << photos << true;
        QTest::newRow("web address dropped")
            << u"mainWindow"_s << QStringList{u"https://example.org/a.jpg"_s} << u"held"_s << false;
    }

    void folderArgumentAndDropsFillTheFolder()
    {
        QFETCH(QString, target);
        QFETCH(QStringList, given);
        QFETCH(QString, folder);
        QFETCH(bool, accepted);
        Photos photos({"a.jpg"});
        given.replaceInStrings(u"@"_s, photos.folder.path());
        ExtractionSettings settings = Defaults();
        settings.Folder = "held";
        Window window(settings);
        if (target == "arguments"_L1) {
            window.OpenArguments(given);
        } else {
            QList<QUrl> urls;
            for (const QString& address : given)
                urls << (address.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(address) : QUrl(address));
            // As file managers offer it: the addresses, and the same as text for a text box to take.
            QMimeData data;
            data.setUrls(urls);
            data.setText(urls.constFirst().toString());
            QWidget* on = target == "mainWindow"_L1 ? &window : Child(window, qPrintable(target));
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(on, &enter);
            QCOMPARE(enter.isAccepted(), accepted);
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(on, &drop);
        }
        QCOMPARE(Child<QLineEdit>(window, "folderEdit")->text(), folder.replace(u"@"_s, photos.folder.path()));
        QCOMPARE(Child<QLineEdit>(window, "outputEdit")->text(), QString());
    }

    void setupHandsItsChoicesToTheWindowOnlyOnOk_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("change");  // every value, from what Setup shows
        QTest::addColumn<int>("storedLayout");
        QTest::addColumn<int>("layout");  // as the window has it after
        QTest::newRow("OK") << u"ok"_s << true << 3 << 4;
        QTest::newRow("Cancel") << u"cancel"_s << true << 3 << 3;
        QTest::newRow("Escape") << u"escape"_s << true << 3 << 3;
        QTest::newRow("close box") << u"close"_s << true << 3 << 3;
        // A layout that names none selects none, and OK hands back -1.
        QTest::newRow("OK, last layout") << u"ok"_s << false << 8 << 8;
        QTest::newRow("OK, layout 9") << u"ok"_s << false << 9 << -1;
        QTest::newRow("OK, layout -1") << u"ok"_s << false << -1 << -1;
    }

    void setupHandsItsChoicesToTheWindowOnlyOnOk()
    {
        QFETCH(QString, how);
        QFETCH(bool, change);
        QFETCH(int, storedLayout);
        QFETCH(int, layout);
        ExtractionSettings settings = Defaults();
        settings.DateFormat = storedLayout;
        settings.SubSeconds = settings.Spreadsheet = settings.Formats = 1;
        Window window(settings);
        // Each value is changed from what Setup shows: one it was not given, or did not hand back,
        // ends wrong.
        QTimer::singleShot(0, &window, [&] {
            auto* setup = window.findChild<SetupDialog*>();
            QVERIFY(setup != nullptr && setup->isVisible());
            if (change) {
                Child<QLineEdit>(*setup, "monthEdit12")->insert(u"!"_s);
                Child<QLineEdit>(*setup, "monthEdit5")->clear();
                for (const char* name : {"subSecondsCheck", "spreadsheetCheck"})
                    Child<QCheckBox>(*setup, name)->toggle();
                for (auto* combo :
                     {Child<QComboBox>(*setup, "dateFormatCombo"), Child<QComboBox>(*setup, "formatsCombo")})
                    combo->setCurrentIndex((combo->currentIndex() + 1) % combo->count());
            }
            if (how == "ok"_L1 || how == "cancel"_L1)
                Child<QPushButton>(*setup, how == "ok"_L1 ? "okButton" : "cancelButton")->click();
            else if (how == "escape"_L1)
                QTest::keyClick(Child<QLineEdit>(*setup, "monthEdit1"), Qt::Key_Escape);
            else
                setup->close();
            // Its own copies too, for any other caller.
            QCOMPARE(setup->GetMonthNames()[11], std::string(change && how == "ok"_L1 ? "December!" : "December"));
        });
        Child<QPushButton>(window, "setupButton")->click();

        const bool taken = change && how == "ok"_L1;
        QCOMPARE(window.Settings().DateFormat, layout);
        QCOMPARE(window.Settings().MonthNames[11], std::string(taken ? "December!" : "December"));
        QCOMPARE(window.Settings().MonthNames[4], std::string(taken ? "" : "May"));
        const int was = taken ? 0 : 1;
        // The formats go on from all photos to photos and videos.
        QCOMPARE((std::array{window.Settings().SubSeconds, window.Settings().Spreadsheet, window.Settings().Formats}),
                 (std::array{was, was, taken ? 2 : 1}));
    }

    void setupShowsTheMomentInEachLayout()
    {
        SetupDialog setup;
        setup.SetValues(english, 0, 0);
        const QDate today = QDate::currentDate();
        // A month name typed in the dialog shows at once in the layouts that spell the month.
        Child<QLineEdit>(setup, qPrintable(u"monthEdit%1"_s.arg(today.month())))->setText(u"Mois"_s);
        const auto* combo = Child<QComboBox>(setup, "dateFormatCombo");
        for (int layout = 0; layout < combo->count(); ++layout)
            QCOMPARE(combo->itemText(layout).contains(u"Mois"_s), layout == 1 || layout == 2);
        QVERIFY2(combo->itemText(3).startsWith(u"YYYY-MM-DD HH:MI:SS   ("_s + today.toString(u"yyyy-MM-dd "_s)),
                 qPrintable(combo->itemText(3)));
    }

    void enterStartsTheRunEvenInTheSeparatorBox()
    {
        Window window;
        QVERIFY(window.ShowActive());
        Child<QComboBox>(window, "separatorCombo")->setEditText(u"|"_s);
        Child(window, "separatorCombo")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        // Refused for want of a folder, with a warning; the window stays as it was.
        QCOMPARE(int(window.Shown().size()), 1);
        QCOMPARE(window.Shown()[0].text, QString::fromStdString(MakeMessage(MessageId::FolderEmpty).text));
        QCOMPARE(window.Shown()[0].icon, QMessageBox::Warning);
        QVERIFY(window.isVisible() && Child(window, "extractButton")->isEnabled());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(Child<QComboBox>(window, "separatorCombo")->count(), 4);  // Enter did not add the text to the list
    }

    void runShowsItsStateAndTakesTheSettingsItStartedWith()
    {
        Photos photos({"a.jpg", "sub/a.jpg"}, TagsWith({{Tag::DateTimeOriginal, Text("2000:05:07 14:22:01")},
                                                        {Tag::SubSecTimeOriginal, Text("25")}}));
        QVERIFY(Touch(photos.folder.filePath(u"bad1.jpg"_s)) && Touch(photos.folder.filePath(u"bad2.jpg"_s)));
        ExtractionSettings settings = photos.Settings({2});
        settings.DateFormat = 1;
        settings.SubSeconds = 1;
        settings.MapFile = 1;
        Window window(settings, &photos.tags);
        QVERIFY(window.ShowActive());
        Child<QCheckBox>(window, "subFoldersCheck")->setChecked(true);
        Child<QComboBox>(window, "separatorCombo")->setCurrentIndex(2);  // "; (semi colon)"
        window.Messages().setNextAnswers({QMessageBox::Yes, QMessageBox::Ok});

        // What the window shows while the run goes on, seen from inside the run's event handling.
        QStringList enabledDuringRun;
        bool runShown = false;
        QTimer::singleShot(0, &window, [&] {
            for (const char* name :
                 {"folderEdit", "outputEdit", "browseFolderButton", "browseOutputButton", "subFoldersCheck",
                  "columnList", "tickAllButton", "tickNoneButton", "headingsCheck", "fullPathCheck", "separatorCombo",
                  "extractButton", "setupButton", "abortButton", "exitButton"})
                if (Child(window, name)->isEnabled())
                    enabledDuringRun << QLatin1String(name);
            runShown =
                window.IsRunning() && Child<QLineEdit>(window, "statusEdit")->text() == "Extracting data..."_L1 &&
                Child(window, "progressBar")->isVisible() && Child(window, "abortButton")->isVisible() &&
                QApplication::overrideCursor() != nullptr && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            // Changed by a program, as no user can while they are disabled: the run goes on as started.
            Child<QListWidget>(window, "columnList")->item(4)->setCheckState(Qt::Checked);
            Child<QCheckBox>(window, "fullPathCheck")->setChecked(true);
        });
        Child<QPushButton>(window, "extractButton")->click();

        QVERIFY(runShown);
        QCOMPARE(enabledDuringRun, (QStringList{u"abortButton"_s, u"exitButton"_s}));
        // The photos that could not be read have no date, the one column ticked: no line.
        QCOMPARE(ReadLines(photos.OutFile()), QStringList(2, u"\"a.jpg\";\"07 May 2000 14:22:01.25\""_s));
        QVERIFY(QFile::exists(photos.outFolder.filePath(u"out.geojson"_s)));
        const auto& shown = window.Shown();
        QCOMPARE(int(shown.size()), 2);
        QCOMPARE(shown[0].text, QString::fromStdString(MakeMessage(MessageId::DuplicateNames, {"1", "a.jpg"}).text));
        QCOMPARE(shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(shown[1].details.split(QLatin1Char('\n')).size(), 2);  // one line for each photo not read
        QVERIFY(shown[1].details.contains(u"bad1.jpg"_s) && shown[1].details.contains(u"bad2.jpg"_s));

        // Back to idle, with the folder shown as the run completed it.
        QVERIFY(!window.IsRunning());
        for (const char* name : {"extractButton", "setupButton", "columnList", "folderEdit"})
            QVERIFY2(Child(window, name)->isEnabled(), name);
        QVERIFY(Child(window, "progressBar")->isHidden() && Child(window, "abortButton")->isHidden());
        QVERIFY(Child<QLineEdit>(window, "statusEdit")->text().isEmpty() && QApplication::overrideCursor() == nullptr);
        QCOMPARE(Child<QLineEdit>(window, "folderEdit")->text(), photos.folder.path() + QLatin1Char('/'));
        QCOMPARE(window.Settings().Flags, Defaults({2}).Flags);
        QCOMPARE(window.Settings().SeparatorNum, 2);
    }

    void duplicateNamesAnsweredNoStopsBeforeReading()
    {
        Photos photos({"a.jpg", "sub/a.jpg"});
        ExtractionSettings settings = photos.Settings({4});
        settings.SubFolders = 1;
        Window window(settings, &photos.tags);
        window.Messages().setNextAnswers({QMessageBox::No});
        Child<QPushButton>(window, "extractButton")->click();
        QCOMPARE(int(window.Shown().size()), 1);
        QVERIFY(!QFile::exists(photos.OutFile()));
        QVERIFY(photos.tags.readPaths.empty());
    }

    void endingMessageOffersTheWrittenFile_data()
    {
        QTest::addColumn<bool>("abort");
        QTest::addColumn<int>("answer");      // an action's index; -1 for OK
        QTest::addColumn<bool>("opens");      // what the desktop answers
        QTest::addColumn<QString>("opened");  // "file", "folder" or nothing
        QTest::newRow("OK") << false << -1 << true << QString();
        QTest::newRow("Open file") << false << 0 << true << u"file"_s;
        QTest::newRow("Show in folder") << false << 1 << true << u"folder"_s;
        QTest::newRow("no program for the file") << false << 0 << false << u"file"_s;
        QTest::newRow("Abort, then Show in folder") << true << 1 << true << u"folder"_s;
    }

    void endingMessageOffersTheWrittenFile()
    {
        QFETCH(bool, abort);
        QFETCH(int, answer);
        QFETCH(bool, opens);
        QFETCH(QString, opened);
        Photos photos({"p1.jpg", "p2.jpg", "p3.jpg"});
        Window window(photos.Settings({4}), &photos.tags);
        window.desktopOpens = opens;
        window.Messages().setNextAnswers(
            {answer < 0 ? MessageBoxes::Answer(QMessageBox::Ok) : MessageBoxes::Answer::Action(answer)});
        if (abort)
            photos.tags.whileReading = [&] { Child<QPushButton>(window, "abortButton")->click(); };
        Child<QPushButton>(window, "extractButton")->click();

        QCOMPARE(ReadLines(photos.OutFile()).size(), abort ? 1 : 3);
        const auto& shown = window.Shown();
        QCOMPARE(int(shown.size()), opens ? 1 : 2);
        QCOMPARE(shown[0].actions, (QStringList{u"&Open file"_s, u"&Show in folder"_s}));
        QCOMPARE(shown[0].icon, QMessageBox::Information);
        QList<QUrl> expected;
        if (!opened.isEmpty())
            expected << QUrl::fromLocalFile(opened == "file"_L1 ? photos.OutFile() : photos.outFolder.path());
        QCOMPARE(window.opened, expected);
        if (!opens)
            QVERIFY(shown[1].text.contains(QDir::toNativeSeparators(photos.OutFile())));
    }

    void progressBarCountsMoreThan65535Photos()
    {
        Window window;
        window.SetProgressRange(70000);
        window.SetProgressPosition(69999);
        const auto* bar = Child<QProgressBar>(window, "progressBar");
        QVERIFY(bar->isTextVisible());
        QCOMPARE(bar->text(), u"69999 of 70000 photos"_s);
    }

    // Abort over an earlier file asks first; Enter keeps the file as it was.
    void abortOverAnEarlierFileAsksWithKeepingItAsTheDefault()
    {
        Photos photos({"p1.jpg", "p2.jpg", "p3.jpg"});
        QVERIFY(Touch(photos.OutFile()));
        Window window(photos.Settings({4}), &photos.tags);
        window.Messages().setNextAnswers({MessageBoxes::Answer(QMessageBox::No)});
        photos.tags.whileReading = [&] { Child<QPushButton>(window, "abortButton")->click(); };
        Child<QPushButton>(window, "extractButton")->click();

        const auto& shown = window.Shown();
        QVERIFY(!shown.empty());
        QCOMPARE(shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(shown[0].defaultButton, QMessageBox::No);
        QCOMPARE(ReadLines(photos.OutFile()), QStringList{u"x"_s});
    }

    void closingDuringRunStopsKeepsFileAndSaves_data()
    {
        QTest::addColumn<bool>("earlierFile");
        QTest::newRow("new file") << false;
        QTest::newRow("earlier file") << true;  // kept as it was: the user who left is not asked
    }

    void closingDuringRunStopsKeepsFileAndSaves()
    {
        QFETCH(bool, earlierFile);
        Photos photos({"p1.jpg", "p2.jpg", "p3.jpg"});
        QVERIFY(!earlierFile || Touch(photos.OutFile()));
        ExtractionSettings settings = photos.Settings({4});
        settings.SeparatorNum = 3;  // Tab
        Window window(settings, &photos.tags);
        QVERIFY(window.ShowActive());
        bool closeAccepted = true, runningAfterClose = false, closing = false;
        photos.tags.whileReading = [&] {
            if (std::exchange(closing, true))
                return;
            closeAccepted = window.close();
            runningAfterClose = window.IsRunning() && window.isVisible();
            window.reject();  // a second request while stopping changes nothing
        };
        Child<QPushButton>(window, "extractButton")->click();

        QVERIFY(!closeAccepted && runningAfterClose);  // the window waited for the run ...
        QVERIFY(!window.isVisible());                  // ... and then closed
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(ReadLines(photos.OutFile()), QStringList{earlierFile ? u"x"_s : u"\"p1.jpg\"\tFuji"_s});
        QVERIFY(window.Shown().empty());  // the user who closed the window is not told where it stopped
        const ExtractionSettings kept = LoadSettings();
        QCOMPARE(kept.Flags, Defaults({4}).Flags);
        QCOMPARE(kept.SeparatorNum, 3);
        QCOMPARE(kept.Folder, (photos.folder.path() + QLatin1Char('/')).toStdString());
    }

    void helpOpensThePagesOrSaysWhy_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("opens");       // what the desktop answers
        QTest::addColumn<QString>("xdgOpen");  // how the desktop's xdg-open ends, where it is asked
        QTest::newRow("opened") << true << true << QString();
        QTest::newRow("no program for them") << true << false << QString();
        QTest::newRow("not found") << false << true << QString();
        // xdg-open starts, and then finds nothing to open them with.
        QTest::newRow("xdg-open finds no program") << true << false << u"exit 3"_s;
        QTest::newRow("xdg-open opens them") << true << true << u"exit 0"_s;
    }

    void helpOpensThePagesOrSaysWhy()
    {
        QFETCH(bool, installed);
        QFETCH(bool, opens);
        QFETCH(QString, xdgOpen);
        QTemporaryDir empty;
        Window window;
        window.desktopOpens = opens;
        if (!installed)
            window.SetHelpFolders({empty.path()});
        const QByteArray path = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&path] { qputenv("PATH", path); });
        if (!xdgOpen.isEmpty()) {
            QFile script(empty.filePath(u"xdg-open"_s));
            QVERIFY(script.open(QIODevice::WriteOnly) && script.write("#!/bin/sh\n" + xdgOpen.toUtf8() + "\n") > 0);
            script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
            script.close();
            qputenv("PATH", QFile::encodeName(empty.path()) + ":" + path);
            auto* desktop = new DesktopOpener(&window);
            window.SetDesktopOpener([&window, desktop](const QUrl& address, const std::function<void()>& notOpened) {
                window.opened << address;
                desktop->Open(address, notOpened);
            });
        }
        QVERIFY(window.ShowActive());
        QTest::keyClick(Child(window, "folderEdit"), Qt::Key_F1);
        QTRY_VERIFY(window.findChildren<QProcess*>().isEmpty());  // xdg-open has ended

        QCOMPARE(window.opened.size(), installed ? 1 : 0);
        QCOMPARE(int(window.Shown().size()), installed && opens ? 0 : 1);
        if (installed)
            QVERIFY(window.opened[0].isLocalFile() && window.opened[0].fileName() == "index.html"_L1 &&
                    QFileInfo(window.opened[0].toLocalFile()).isFile());
        if (!installed || !opens)  // the message names the page, or where it was looked for
            QVERIFY(window.Shown()[0].text.contains(installed ? window.opened[0].toLocalFile() : empty.path()));
    }

    void helpMenuOpensTheAboutBox()
    {
        Window window;
        const QList<QAction*> entries = Child<QPushButton>(window, "helpButton")->menu()->actions();
        QVERIFY(entries.size() == 2 && window.actions() == entries);  // the same in the right-click menu
        bool shown = false;
        QTimer::singleShot(0, &window, [&] {
            auto* box = window.findChild<AboutDialog*>();
            QVERIFY(box != nullptr);
            shown = box->isVisible();
            box->accept();
        });
        entries[1]->trigger();
        QVERIFY(shown);
    }

    // The window speaks the language the environment asks for, as programs that use gettext read
    // it, Qt's own buttons included; what it writes stays the same.
    void windowSpeaksTheUserLanguage_data()
    {
        QTest::addColumn<QString>("lcAll");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("language");  // LANGUAGE: a list, the most wanted first
        QTest::addColumn<bool>("german");
        QTest::newRow("German") << QString() << u"de_DE.UTF-8"_s << QString() << true;
        QTest::newRow("Austrian German") << QString() << u"de_AT.UTF-8"_s << QString() << true;
        QTest::newRow("C") << QString() << u"C"_s << QString() << false;
        QTest::newRow("LC_ALL before LANG") << u"C"_s << u"de_DE.UTF-8"_s << QString() << false;
        QTest::newRow("C whatever LANGUAGE says") << QString() << u"C.UTF-8"_s << u"de"_s << false;
        QTest::newRow("first translated of LANGUAGE") << QString() << u"fr_FR.UTF-8"_s << u"fr:de"_s << true;
        QTest::newRow("English before German") << QString() << u"de_DE.UTF-8"_s << u"en:de"_s << false;
    }

    void windowSpeaksTheUserLanguage()
    {
        QFETCH(QString, lcAll);
        QFETCH(QString, lang);
        QFETCH(QString, language);
        QFETCH(bool, german);
        const std::array<const char*, 4> variables{"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"};
        const std::array<QString, 4> values{lcAll, QString(), lang, language};
        std::array<std::optional<QByteArray>, 4> saved;
        const auto restore = qScopeGuard([&] {
            for (std::size_t i = 0; i < variables.size(); ++i)
                saved[i] ? qputenv(variables[i], *saved[i]) : qunsetenv(variables[i]);
        });
        for (std::size_t i = 0; i < variables.size(); ++i) {
            saved[i] = qEnvironmentVariableIsSet(variables[i]) ? std::optional(qgetenv(variables[i])) : std::nullopt;
            values[i].isEmpty() ? qunsetenv(variables[i]) : qputenv(variables[i], values[i].toUtf8());
        }

        const WindowLanguage chosen(UserLanguages());
        QCOMPARE(chosen.Language(), german ? u"de"_s : QString());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), german ? u"Abbrechen"_s : u"Cancel"_s);
        Photos photos({"a.jpg"});
        Window window(photos.Settings({0, 4}), &photos.tags);
        QCOMPARE(Child<QPushButton>(window, "extractButton")->text(), german ? u"E&xtrahieren"_s : u"&Extract"_s);
        QCOMPARE(Child<QListWidget>(window, "columnList")->item(4)->text(),
                 german ? u"Kamerahersteller"_s : u"Camera manufacturer"_s);
        Child<QComboBox>(window, "separatorCombo")->setCurrentIndex(2);
        QCOMPARE(Child<QComboBox>(window, "separatorCombo")->currentText(),
                 german ? u"; (Semikolon)"_s : u"; (semi colon)"_s);
        Child<QCheckBox>(window, "headingsCheck")->setChecked(true);
        Child<QPushButton>(window, "extractButton")->click();

        // The headings, the separator and the stored entry in English; the ending, filled, in German.
        const QStringList lines = ReadLines(photos.OutFile());
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], u"!\"Filename\";\"Date\";\"Camera manufacturer\""_s);
        QVERIFY2(lines[1].endsWith(u";Fuji"_s), qPrintable(lines[1]));
        QCOMPARE(window.Settings().SeparatorText, std::string("; (semi colon)"));
        QCOMPARE(int(window.Shown().size()), 1);
        const QString ending = window.Shown()[0].text;
        QVERIFY2(ending.startsWith(german ? u"Die EXIF-Daten von 1 Dateien"_s : u"EXIF data have been"_s) &&
                     ending.contains(photos.OutFile()),
                 qPrintable(ending));
    }

    // The texts of the core's tables reach the translation only through their mark: each has its
    // German.
    void everyTableTextHasItsGerman()
    {
        QTranslator german;
        QVERIFY(german.load(QLocale(QLocale::German), u"fotoharvester"_s, u"_"_s, WindowLanguage::Folder()));
        QStringList missing;
        const auto check = [&](const char* context, std::string_view text) {
            if (german.translate(context, std::string(text).c_str()).isEmpty())
                missing << QString::fromUtf8(text.data(), qsizetype(text.size()));
        };
        for (std::string_view text : WindowTexts())
            check("Messages", text);
        for (const Column& column : ColumnCatalogue())
            check("Columns", column.heading);
        for (std::string_view entry : SeparatorListEntries())
            check("Separators", entry);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u" | "_s)));
    }
};

int main(int argc, char* argv[])
{
    // Never the user's own settings: a fresh folder below the one the test run names, or below the
    // temporary folder when run by hand.
    const QString base = qEnvironmentVariable("XDG_CONFIG_HOME", QDir::tempPath());
    QDir().mkpath(base);
    QTemporaryDir configHome(QDir(base).filePath(u"ui-XXXXXX"_s));
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
