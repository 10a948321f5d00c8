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
#include "support/TempFolder.h"

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
    if (T* child = parent.findChild<T*>(QLatin1String(name)))
        return child;
    throw std::runtime_error(std::string("no control named ") + name);
}

// The tags a reader would list, a few of them.
const KnownTagList someTags{
    {{"Exif Photo", "Lens Serial Number", "Exif.Photo.LensSerialNumber", "The lens's serial number."},
     {"IPTC Application2", "City", "Iptc.Application2.City", "City of the object."},
     {"XMP xmp", "Rating", "Xmp.xmp.Rating", "A number for the document's status."}},
    {}};

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

// Answers from a script, and does what the test asks while each photo is read, as a user could.
struct ScriptedTags : ScriptedTagSource {
    std::function<void()> whileReading;

    TagReading Read(const std::string& path) override
    {
        if (whileReading)
            whileReading();
        return ScriptedTagSource::Read(path);
    }
};

// A folder of photos, made by Fuji as the script says, and one for the output.
struct Photos {
    TempFolder folder, outFolder;
    ScriptedTags tags;

    explicit Photos(std::initializer_list<std::string> names)
    {
        for (const std::string& name : names)
            tags.Set(std::filesystem::path(folder.Touch(name)).filename(), TagsWith({{Tag::Make, Text("Fuji")}}));
    }
    QString Folder() const { return QString::fromStdString(folder.Path()); }
    QString OutFile() const { return QString::fromStdString(outFolder.Text() + "out.csv"); }
    ExtractionSettings Settings(std::initializer_list<int> ticked) const
    {
        ExtractionSettings settings = Defaults(ticked);
        settings.Folder = folder.Path();
        settings.OutFile = OutFile().toStdString();
        return settings;
    }
};

// The window with nothing that could wait for a person: a message box beyond the answers a test
// queues is answered "none" (and recorded), the choosers stay shut, and what the desktop is asked
// to open is recorded.
class Window : public MainWindow {
public:
    QList<QUrl> opened;
    bool desktopOpens = true;

    explicit Window(TagSource& tags, ExtractionSettings settings = Defaults()) : MainWindow(std::move(settings), tags)
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

// What is done next to what is typed -- a button clicked, arguments given, addresses dropped on
// "drop:" and a control -- and what the boxes show after; @ is a folder that holds a.jpg.
struct Filling {
    QString control, typedFolder, typedOutput;
    QStringList given;               // the chooser's answer (none: cancelled), the arguments or the addresses
    QString start, folder, outFile;  // start: given to the chooser
};

}  // namespace

class UiMainTest : public QObject {
    Q_OBJECT

private slots:
    // No test sees the settings or the window place another test left.
    void init() { QSettings(QLatin1String(SettingsOrganisation), QLatin1String(SettingsApplication)).clear(); }

    void closingKeepsWhatTheWindowShows_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("separator");  // chosen or typed; empty: left alone
        QTest::addColumn<int>("keptSeparator");
        QTest::addColumn<QString>("shownAgain");  // by the next window
        QTest::newRow("Exit, separator chosen") << u"exit"_s << u": (colon)"_s << 1 << u": (colon)"_s;
        QTest::newRow("Escape, separator typed") << u"escape"_s << u"|"_s << -1 << u"|"_s;
        QTest::newRow("close box, separator left alone") << u"close"_s << QString() << 3 << u"Tab"_s;
    }

    // Tags are added after the columns, ticked, each once; they can be unticked and removed and
    // runs are given them. Closing keeps them with the rest of what the window shows, changed
    // after a run, for the next window and the batch command.
    void closingKeepsWhatTheWindowShows()
    {
        QFETCH(QString, how);
        QFETCH(QString, separator);
        QFETCH(int, keptSeparator);
        QFETCH(QString, shownAgain);
        Photos photos({"a.jpg"});
        ExtractionSettings stored = photos.Settings({3, 4});
        stored.SeparatorNum = 3;
        stored.SeparatorText = "#";  // typed last time; shown only where the position names no entry
        Window window(photos.tags, stored);
        QVERIFY(window.ShowActive());
        const QRect placed(20, 30, window.width() + 31, window.height() - 17);
        window.setGeometry(placed);
        window.SetTagLister([] { return someTags; });
        std::string chosen;
        window.SetTagChooser([&chosen](QWidget*, const KnownTagList&) { return std::optional<std::string>(chosen); });
        auto* list = Child<QListWidget>(window, "columnList");
        for (const int tag : {2, 1, 0, 2}) {  // Rating, City, Lens Serial Number, and Rating again
            chosen = someTags.tags[tag].key;
            Child<QPushButton>(window, "addTagButton")->click();
        }
        chosen = "Exif.Photo";  // no key: nothing is added
        Child<QPushButton>(window, "addTagButton")->click();
        Child<QPushButton>(window, "extractButton")->click();  // the run is asked for the tags listed
        QCOMPARE(window.Settings().ExtraTags,
                 std::string("Xmp.xmp.Rating Iptc.Application2.City Exif.Photo.LensSerialNumber"));

        list->setCurrentRow(ColumnCount() - 1);
        QVERIFY(!Child<QPushButton>(window, "removeTagButton")->isEnabled());  // a built-in column stays
        list->setCurrentRow(ColumnCount() + 1);
        Child<QPushButton>(window, "removeTagButton")->click();
        QCOMPARE(list->item(ColumnCount() + 1)->text(), u"Exif.Photo.LensSerialNumber (Lens Serial Number)"_s);
        list->item(ColumnCount())->setCheckState(Qt::Unchecked);
        for (const char* name : {"headingsCheck", "fullPathCheck", "subFoldersCheck", "mapFileCheck"})
            Child<QCheckBox>(window, name)->setChecked(true);
        if (!separator.isEmpty())
            Child<QComboBox>(window, "separatorCombo")->setEditText(separator);
        if (how == "exit"_L1)
            Child<QPushButton>(window, "exitButton")->click();
        else if (how == "escape"_L1)
            QTest::keyClick(Child(window, "folderEdit"), Qt::Key_Escape);
        else
            QVERIFY(window.close());
        QVERIFY(!window.isVisible());

        const ExtractionSettings kept = LoadSettings();
        QCOMPARE((std::array{kept.CommentLine, kept.FullFilePath, kept.SubFolders, kept.MapFile}),
                 (std::array{1, 1, 1, 1}));
        QCOMPARE(kept.Flags, Defaults({3, 4}).Flags + "01");
        QCOMPARE(kept.SeparatorNum, keptSeparator);
        // The next window opens where this one was left, at its size, showing what was kept.
        Window next(photos.tags, kept);
        next.SetTagLister([] { return someTags; });
        QCOMPARE(next.geometry(), placed);
        QCOMPARE(Child<QComboBox>(next, "separatorCombo")->currentText(), shownAgain);
        auto* nextList = Child<QListWidget>(next, "columnList");
        QCOMPARE(nextList->count(), ColumnCount() + 2);
        QCOMPARE(nextList->item(ColumnCount())->checkState(), Qt::Unchecked);
        QTRY_COMPARE(nextList->item(ColumnCount() + 1)->text(), u"Exif.Photo.LensSerialNumber (Lens Serial Number)"_s);
    }

    // Typing narrows the list in any column and case; a chosen row or a typed key fills the key,
    // and only a key libexiv2 knows can be added -- any key's form when there is no list.
    void tagDialogFiltersAndTakesOnlyKnownKeys()
    {
        TagDialog dialog(someTags);
        auto* table = Child<QTableView>(dialog, "tagTable");
        auto* key = Child<QLineEdit>(dialog, "tagKeyEdit");
        QPushButton* add = Child<QDialogButtonBox>(dialog, "tagButtons")->button(QDialogButtonBox::Ok);
        QTest::keyClicks(Child<QLineEdit>(dialog, "tagFilter"), u"CITY"_s);
        QCOMPARE(table->model()->rowCount(), 1);
        QVERIFY(!add->isEnabled());
        table->setCurrentIndex(table->model()->index(0, 0));
        QCOMPARE(dialog.Key(), std::string("Iptc.Application2.City"));
        key->setText(u"Xmp.xmp.Ratin"_s);
        QVERIFY(!add->isEnabled());
        key->setText(u" Xmp.xmp.Rating "_s);
        QVERIFY(add->isEnabled());

        const KnownTagList none{{}, "the reader could not be started"};
        TagDialog unlisted(none);
        Child<QLineEdit>(unlisted, "tagKeyEdit")->setText(u"Xmp.custom.Thing"_s);
        QVERIFY(Child<QDialogButtonBox>(unlisted, "tagButtons")->button(QDialogButtonBox::Ok)->isEnabled());
        QVERIFY(Child<QLabel>(unlisted, "tagKeyNote")->text().contains(u"could not be started"_s));
    }

    // The window as it opens: its list, its keys and names, ticking every column, Enter, the
    // progress bar's count, and Help: its menu, F1 and pages that are not there.
    void firstSizeKeysNamesEnterAndHelp()
    {
        ScriptedTags noPhotos;
        Window window(noPhotos, Defaults({2, 5}));
        window.resize(window.sizeHint());  // the natural size, as on any screen tall enough for it
        QVERIFY(window.ShowActive());
        // Most of the columns show, and the list takes what the window gains.
        auto* list = Child<QListWidget>(window, "columnList");
        const auto rowsShown = [list] { return list->viewport()->height() / list->sizeHintForRow(0); };
        QVERIFY2(rowsShown() >= 20 && rowsShown() < ColumnCount(), qPrintable(QString::number(rowsShown())));
        const int listHeight = list->height();
        window.resize(window.width() + 100, window.height() + 200);
        QTRY_COMPARE(list->height(), listHeight + 200);
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
        // Every column is ticked or unticked at once: by a button, by keys in the list (only there) or by its menu.
        QCOMPARE(list->contextMenuPolicy(), Qt::ActionsContextMenu);
        const std::pair<std::function<void()>, bool> ticks[]{
            {[&window] { Child<QPushButton>(window, "tickAllButton")->click(); }, true},
            {[&window] { Child<QPushButton>(window, "tickNoneButton")->click(); }, false},
            {[list] { QTest::keySequence(list, QKeySequence(u"Ctrl+A"_s)); }, true},
            {[list] { QTest::keySequence(list, QKeySequence(u"Ctrl+Shift+A"_s)); }, false},
            {[list] { list->actions().at(0)->trigger(); }, true},
            {[&window] {
                 Child(window, "folderEdit")->setFocus();
                 QTest::keySequence(QApplication::focusWidget(), QKeySequence(u"Ctrl+Shift+A"_s));
             },
             true}};
        for (const auto& [tick, ticked] : ticks) {
            tick();
            for (int column = 0; column < ColumnCount(); ++column)
                QCOMPARE(window.IsColumnTicked(column), ticked);
        }
        // Enter starts the run even in the separator box, without adding the text to its list: here
        // refused for want of a folder, with a warning.
        Child<QComboBox>(window, "separatorCombo")->setEditText(u"|"_s);
        Child(window, "separatorCombo")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(window.Shown().at(0).text, QString::fromStdString(MakeMessage(MessageId::FolderEmpty).text));
        QCOMPARE(window.Shown().at(0).icon, QMessageBox::Warning);
        QCOMPARE(Child<QComboBox>(window, "separatorCombo")->count(), 4);
        // The bar counts photos, more than 16 bits hold.
        window.SetProgressRange(70000);
        window.SetProgressPosition(69999);
        QCOMPARE(Child<QProgressBar>(window, "progressBar")->text(), u"69999 of 70000 photos"_s);
        // F1 opens the pages with the desktop's xdg-open, which starts and then finds a program for
        // them, or none: then a message names the page.
        TempFolder bin;
        const QByteArray path = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&path] { qputenv("PATH", path); });
        qputenv("PATH", QByteArray::fromStdString(bin.Path().string() + ":") + path);
        auto* desktop = new DesktopOpener(&window);
        window.SetDesktopOpener([&window, desktop](const QUrl& address, const std::function<void()>& notOpened) {
            window.opened << address;
            desktop->Open(address, notOpened);
        });
        for (const int exit : {0, 3}) {
            const std::string script = bin.Touch("xdg-open", "#!/bin/sh\nexit " + std::to_string(exit));
            std::filesystem::permissions(script, std::filesystem::perms::owner_all);
            QTest::keyClick(Child(window, "folderEdit"), Qt::Key_F1);
            QTRY_VERIFY(window.findChildren<QProcess*>().isEmpty());  // xdg-open has ended
            QCOMPARE(int(window.Shown().size()), exit == 0 ? 1 : 2);  // after Enter's warning
        }
        QCOMPARE(window.opened.size(), 2);
        QVERIFY(window.opened[0].isLocalFile() && window.opened[0].fileName() == "index.html"_L1 &&
                QFileInfo(window.opened[0].toLocalFile()).isFile());
        QVERIFY(window.Shown()[1].text.contains(window.opened[0].toLocalFile()));
        // Help's menu is the right-click menu too, and its second entry opens the About box.
        const QList<QAction*> entries = Child<QPushButton>(window, "helpButton")->menu()->actions();
        QVERIFY(entries.size() == 2 && window.actions() == entries);
        bool shown = false;
        QTimer::singleShot(0, &window, [&] {
            auto* box = window.findChild<AboutDialog*>();
            QVERIFY(box != nullptr);
            shown = box->isVisible();
            box->accept();
        });
        entries[1]->trigger();
        QVERIFY(shown);
        // Help pages that are not there: the message says where they were looked for.
        window.SetHelpFolders({u"/nowhere"_s});
        entries[0]->trigger();
        QVERIFY(window.Shown().back().text.contains(u"/nowhere"_s));
    }

    void foldersAndOutputsAreChosenGivenAndDropped_data()
    {
        QTest::addColumn<Filling>("row");
        const QString folder = u"browseFolderButton"_s, output = u"browseOutputButton"_s, args = u"arguments"_s;
        const QString typed = u"/typed"_s, out = u"/out"_s, photos = u"@"_s, photo = u"@/a.jpg"_s, gone = u"@/gone"_s;
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        const QString subFolders = u"subFoldersCheck"_s, home = QDir::toNativeSeparators(QDir::homePath());
        const QString onWindow = u"drop:mainWindow"_s, url = u"file://"_s;
        QTest::newRow("folder chosen") << Filling{folder, typed, out, {u"/chosen"_s}, typed, u"/chosen"_s, out};
        QTest::newRow("no folder yet: Pictures") << Filling{folder, {}, out, {}, pictures, {}, out};
        QTest::newRow("output chosen") << Filling{output, typed, out, {u"/chosen.csv"_s}, out, typed, u"/chosen.csv"_s};
        QTest::newRow("output cancelled") << Filling{output, typed, out, {}, out, typed, out};
        QTest::newRow("sub-folders clicked") << Filling{subFolders, typed, out, {}, {}, typed, out};
        // "~" is the home folder, as in a shell; another user's "~name" is left as typed.
        QTest::newRow("home folder typed") << Filling{
            folder, u"~/typed"_s, u"~/out.csv"_s, {}, home + u"/typed"_s, home + u"/typed"_s, home + u"/out.csv"_s};
        QTest::newRow("home alone, and another user's")
            << Filling{folder, u"~"_s, u"~other/out.csv"_s, {}, home, home, u"~other/out.csv"_s};
        // A folder, or a photo's folder, given or dropped; a drop on a text box is not typed into it.
        QTest::newRow("photo argument after --x") << Filling{args, typed, out, {u"--x"_s, photo}, {}, photos, out};
        QTest::newRow("missing folder argument") << Filling{args, typed, out, {gone}, {}, gone, out};
        QTest::newRow("folder dropped on the window") << Filling{onWindow, typed, out, {url + photos}, {}, photos, out};
        QTest::newRow("photo dropped on the output box")
            << Filling{u"drop:outputEdit"_s, typed, out, {url + photo}, {}, photos, out};
        QTest::newRow("missing, then a photo, dropped on the folder box")
            << Filling{u"drop:folderEdit"_s, typed, out, {url + gone, url + photo}, {}, photos, out};
        QTest::newRow("web address dropped, not taken")
            << Filling{onWindow, typed, out, {u"https://example.org/a.jpg"_s}, {}, typed, out};
    }

    void foldersAndOutputsAreChosenGivenAndDropped()
    {
        QFETCH(Filling, row);
        Photos photos({"a.jpg"});
        QStringList given = row.given;
        given.replaceInStrings(u"@"_s, photos.Folder());
        Window window(photos.tags);
        QString start;
        const auto chooser = [&](QWidget*, const QString& from) {
            start = from;
            return given.isEmpty() ? std::nullopt : std::optional<QString>(given[0]);
        };
        window.SetFolderChooser(chooser);
        window.SetOutputFileChooser(chooser);
        Child<QLineEdit>(window, "folderEdit")->setText(row.typedFolder);
        Child<QLineEdit>(window, "outputEdit")->setText(row.typedOutput);
        if (row.control == "arguments"_L1) {
            window.OpenArguments(given);
        } else if (row.control.startsWith("drop:"_L1)) {
            // As file managers offer it: the addresses, and the same as text for a text box to take.
            QMimeData data;
            data.setUrls(QUrl::fromStringList(given));
            data.setText(given[0]);
            const QString target = row.control.mid(5);
            QWidget* on = target == "mainWindow"_L1 ? &window : Child(window, qPrintable(target));
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(on, &enter);
            QCOMPARE(enter.isAccepted(), row.folder != row.typedFolder);
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(on, &drop);
        } else {
            Child<QAbstractButton>(window, qPrintable(row.control))->click();
            // What was typed is taken at once, as a run or the close would take it.
            QCOMPARE(QString::fromStdString(window.Settings().Folder), row.folder);
        }
        QCOMPARE(start, row.start);
        QCOMPARE(Child<QLineEdit>(window, "folderEdit")->text(), QString(row.folder).replace(u"@"_s, photos.Folder()));
        QCOMPARE(Child<QLineEdit>(window, "outputEdit")->text(), row.outFile);
    }

    // Setup opened twice: Cancel first, which hands nothing back, then OK.
    void setupHandsItsChoicesToTheWindowOnlyOnOk()
    {
        ExtractionSettings settings = Defaults();
        settings.DateFormat = 3;
        settings.SubSeconds = settings.Spreadsheet = settings.Formats = 1;
        ScriptedTags noPhotos;
        Window window(noPhotos, settings);
        for (const bool ok : {false, true}) {
            // Each value is changed from what Setup shows: one it was not given, or did not hand
            // back, ends wrong.
            QTimer::singleShot(0, &window, [&] {
                auto* setup = window.findChild<SetupDialog*>();
                QVERIFY(setup != nullptr && setup->isVisible());
                Child<QLineEdit>(*setup, "monthEdit12")->insert(u"!"_s);
                Child<QLineEdit>(*setup, "monthEdit5")->clear();
                for (const char* name : {"subSecondsCheck", "spreadsheetCheck"})
                    Child<QCheckBox>(*setup, name)->toggle();
                for (auto* combo :
                     {Child<QComboBox>(*setup, "dateFormatCombo"), Child<QComboBox>(*setup, "formatsCombo")})
                    combo->setCurrentIndex((combo->currentIndex() + 1) % combo->count());
                Child<QPushButton>(*setup, ok ? "okButton" : "cancelButton")->click();
            });
            Child<QPushButton>(window, "setupButton")->click();

            QCOMPARE(window.Settings().DateFormat, ok ? 4 : 3);
            QCOMPARE(window.Settings().MonthNames[11], std::string(ok ? "December!" : "December"));
            QCOMPARE(window.Settings().MonthNames[4], std::string(ok ? "" : "May"));
            // The formats go on from all photos to photos and videos.
            QCOMPARE(
                (std::array{window.Settings().SubSeconds, window.Settings().Spreadsheet, window.Settings().Formats}),
                (std::array{ok ? 0 : 1, ok ? 0 : 1, ok ? 2 : 1}));
        }
    }

    void setupShowsTheMomentInEachLayout()
    {
        SetupDialog setup;
        const QDate today = QDate::currentDate();
        // A month name typed in the dialog shows at once in a layout that spells the month.
        Child<QLineEdit>(setup, qPrintable(u"monthEdit%1"_s.arg(today.month())))->setText(u"Mois"_s);
        const auto* combo = Child<QComboBox>(setup, "dateFormatCombo");
        QVERIFY2(combo->itemText(1).contains(u"Mois"_s), qPrintable(combo->itemText(1)));
        QVERIFY2(combo->itemText(3).startsWith(u"YYYY-MM-DD HH:MI:SS   ("_s + today.toString(u"yyyy-MM-dd "_s)),
                 qPrintable(combo->itemText(3)));
        // A stored layout that names none selects none, and OK hands back -1; the last one is kept.
        for (const int layout : {8, 9}) {
            setup.SetValues(english, layout, 0);
            setup.accept();
            QCOMPARE(setup.GetDateFormat(), layout == 8 ? 8 : -1);
        }
    }

    // A run: the window's state meanwhile, the settings it takes, its questions and messages, and
    // the written file offered at its end.
    void runShowsItsStateAndOffersTheWrittenFile_data()
    {
        QTest::addColumn<int>("answer");  // to the ending message: -1 for OK, or 0 Open file, 1 Show in folder
        QTest::addColumn<bool>("opens");  // what the desktop answers
        QTest::newRow("OK") << -1 << true;
        QTest::newRow("Show in folder") << 1 << true;
        QTest::newRow("no program for the file") << 0 << false;
    }

    void runShowsItsStateAndOffersTheWrittenFile()
    {
        QFETCH(int, answer);
        QFETCH(bool, opens);
        Photos photos({"a.jpg", "sub/a.jpg"});
        photos.folder.Touch("bad1.jpg");
        photos.folder.Touch("bad2.jpg");
        Window window(photos.tags, photos.Settings({4}));
        window.desktopOpens = opens;
        QVERIFY(window.ShowActive());
        for (const char* name : {"subFoldersCheck", "mapFileCheck"})
            Child<QCheckBox>(window, name)->setChecked(true);
        Child<QComboBox>(window, "separatorCombo")->setCurrentIndex(2);  // "; (semi colon)"
        window.Messages().setNextAnswers({QMessageBox::Yes, answer < 0 ? MessageBoxes::Answer(QMessageBox::Ok)
                                                                       : MessageBoxes::Answer::Action(answer)});

        // What the window shows while the run goes on, seen from inside the run's event handling.
        QStringList enabledDuringRun;
        bool runShown = false;
        QTimer::singleShot(0, &window, [&] {
            // A control of each box, and the buttons beside them.
            for (const char* name :
                 {"folderEdit", "columnList", "extractButton", "setupButton", "abortButton", "exitButton"})
                if (Child(window, name)->isEnabled())
                    enabledDuringRun << QLatin1String(name);
            runShown =
                window.IsRunning() && Child<QLineEdit>(window, "statusEdit")->text() == "Extracting data..."_L1 &&
                Child(window, "progressBar")->isVisible() && Child(window, "abortButton")->isVisible() &&
                QApplication::overrideCursor() != nullptr && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            // Changed by a program, as no user can while they are disabled: the run goes on as started.
            Child<QListWidget>(window, "columnList")->item(5)->setCheckState(Qt::Checked);
            Child<QCheckBox>(window, "fullPathCheck")->setChecked(true);
        });
        Child<QPushButton>(window, "extractButton")->click();

        QVERIFY(runShown);
        QCOMPARE(enabledDuringRun, (QStringList{u"abortButton"_s, u"exitButton"_s}));
        // The photos that could not be read have no value of the one column ticked: no line.
        QCOMPARE(photos.outFolder.Read("out.csv"), std::string("\"a.jpg\";Fuji\n\"a.jpg\";Fuji\n"));
        QVERIFY(std::filesystem::exists(photos.outFolder.Path() / "out.geojson"));
        const auto& shown = window.Shown();
        QCOMPARE(int(shown.size()), opens ? 2 : 3);
        QCOMPARE(shown[1].details.split(QLatin1Char('\n')).size(), 2);  // one line for each photo not read
        QCOMPARE(shown[1].actions, (QStringList{u"&Open file"_s, u"&Show in folder"_s}));
        QList<QUrl> expected;
        if (answer >= 0)
            expected << QUrl::fromLocalFile(answer == 0 ? photos.OutFile() : QFileInfo(photos.OutFile()).path());
        QCOMPARE(window.opened, expected);
        if (!opens)
            QVERIFY(shown[2].text.contains(QDir::toNativeSeparators(photos.OutFile())));

        // Back to idle.
        for (const char* name : {"extractButton", "setupButton", "columnList", "folderEdit"})
            QVERIFY2(Child(window, name)->isEnabled(), name);
        QVERIFY(Child(window, "progressBar")->isHidden() && Child(window, "abortButton")->isHidden());
        QVERIFY(Child<QLineEdit>(window, "statusEdit")->text().isEmpty() && QApplication::overrideCursor() == nullptr);
        QCOMPARE(window.Settings().Flags, Defaults({4}).Flags);
        QCOMPARE(window.Settings().SeparatorNum, 2);
    }

    // Abort or closing the window mid-run: Abort over an earlier file asks first, keeping it as the
    // default; the user who closed the window is not asked, nor told where the run stopped, and the
    // window closes, saving its settings, once the run has.
    void stoppingMidRunKeepsAnEarlierFile_data()
    {
        QTest::addColumn<bool>("close");  // or Abort
        QTest::addColumn<bool>("earlierFile");
        QTest::newRow("Abort over an earlier file") << false << true;
        QTest::newRow("closed, new file") << true << false;
        QTest::newRow("closed, earlier file") << true << true;
    }

    void stoppingMidRunKeepsAnEarlierFile()
    {
        QFETCH(bool, close);
        QFETCH(bool, earlierFile);
        Photos photos({"p1.jpg", "p2.jpg", "p3.jpg"});
        if (earlierFile)
            photos.outFolder.Touch("out.csv");
        Window window(photos.tags, photos.Settings({4}));
        QVERIFY(window.ShowActive());
        window.Messages().setNextAnswers({MessageBoxes::Answer(QMessageBox::No)});
        bool closeAccepted = true, runningAfterClose = false, stopping = false;
        photos.tags.whileReading = [&] {
            if (std::exchange(stopping, true))
                return;
            if (!close) {
                Child<QPushButton>(window, "abortButton")->click();
                return;
            }
            closeAccepted = window.close();
            runningAfterClose = window.IsRunning() && window.isVisible();
            window.reject();  // a second request while stopping changes nothing
        };
        Child<QPushButton>(window, "extractButton")->click();

        QCOMPARE(photos.outFolder.Read("out.csv"), std::string(earlierFile ? "x" : "\"p1.jpg\",Fuji\n"));
        if (!close) {
            QCOMPARE(window.Shown().at(0).buttons, QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(window.Shown().at(0).defaultButton, QMessageBox::No);
            return;
        }
        QVERIFY(!closeAccepted && runningAfterClose);  // the window waited for the run ...
        QVERIFY(!window.isVisible());                  // ... and then closed
        QVERIFY(window.Shown().empty());
        QCOMPARE(LoadSettings().Folder, photos.folder.Text());
    }

    // The window speaks the language the environment asks for, as programs that use gettext read
    // it, Qt's own buttons included; what it writes stays the same.
    void windowSpeaksTheUserLanguage_data()
    {
        QTest::addColumn<QStringList>("environment");  // LANGUAGE: a list, the most wanted first
        QTest::addColumn<bool>("german");
        QTest::newRow("German") << QStringList{u"LANG=de_DE.UTF-8"_s} << true;
        QTest::newRow("LC_ALL before LANG") << QStringList{u"LC_ALL=C"_s, u"LANG=de_DE.UTF-8"_s} << false;
        QTest::newRow("C whatever LANGUAGE says") << QStringList{u"LANG=C.UTF-8"_s, u"LANGUAGE=de"_s} << false;
        QTest::newRow("LANGUAGE's first translated") << QStringList{u"LANG=fr_FR.UTF-8"_s, u"LANGUAGE=fr:de"_s} << true;
        QTest::newRow("English before German") << QStringList{u"LANG=de_DE.UTF-8"_s, u"LANGUAGE=en:de"_s} << false;
    }

    void windowSpeaksTheUserLanguage()
    {
        QFETCH(QStringList, environment);
        QFETCH(bool, german);
        const std::array<const char*, 4> variables{"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"};
        const QProcessEnvironment before = QProcessEnvironment::systemEnvironment();
        const auto restore = qScopeGuard([&] {
            for (const char* name : variables)
                before.contains(name) ? qputenv(name, before.value(name).toUtf8()) : qunsetenv(name);
        });
        for (const char* name : variables)
            qunsetenv(name);
        for (const QString& setting : environment)
            qputenv(qPrintable(setting.section(QLatin1Char('='), 0, 0)), setting.section(QLatin1Char('='), 1).toUtf8());

        const WindowLanguage chosen(UserLanguages());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), german ? u"Abbrechen"_s : u"Cancel"_s);
        Photos photos({"a.jpg"});
        Window window(photos.tags, photos.Settings({4}));
        QCOMPARE(Child<QListWidget>(window, "columnList")->item(4)->text(),
                 german ? u"Kamerahersteller"_s : u"Camera manufacturer"_s);
        Child<QComboBox>(window, "separatorCombo")->setCurrentIndex(2);
        QCOMPARE(Child<QComboBox>(window, "separatorCombo")->currentText(),
                 german ? u"; (Semikolon)"_s : u"; (semi colon)"_s);
        Child<QPushButton>(window, "extractButton")->click();

        // The separator's stored entry in English; the ending, filled, in German.
        QCOMPARE(window.Settings().SeparatorText, std::string("; (semi colon)"));
        QCOMPARE(window.Shown().at(0).icon, QMessageBox::Information);
        const QString ending = window.Shown().at(0).text;
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
