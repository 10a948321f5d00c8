#include "ui/SetupDialog.h"

#include "extract/DateFormat.h"
#include "ui/AppInfo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

static_assert(DateLayoutCount == 9, "every date layout needs its label in the Setup list");

const std::array<const char*, 9>& SetupDialog::DateFormatLabels()
{
    // Shown through tr(): the letters stand for words of the user's language.
    static constexpr std::array<const char*, 9> labels{
        QT_TR_NOOP("YYYY:MM:DD HH:MI:SS"), QT_TR_NOOP("DD month YYYY HH:MI:SS"), QT_TR_NOOP("month DD YYYY HH:MI:SS"),
        QT_TR_NOOP("YYYY-MM-DD HH:MI:SS"), QT_TR_NOOP("DD-MM-YYYY HH:MI:SS"),    QT_TR_NOOP("DD/MM/YYYY HH:MI:SS"),
        QT_TR_NOOP("MM/DD/YYYY HH:MI:SS"), QT_TR_NOOP("DD.MM.YYYY HH:MI:SS"),    QT_TR_NOOP("YYYY/MM/DD HH:MI:SS"),
    };
    return labels;
}

SetupDialog::SetupDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("setupDialog"));
    setWindowTitle(tr("Setup"));

    QBoxLayout* buttons = BuildButtons();
    QGroupBox* monthBox = BuildMonthBox();
    QBoxLayout* optionsColumn = BuildOptionsColumn();

    auto* upper = new QHBoxLayout;
    upper->addWidget(monthBox, 1);
    upper->addLayout(optionsColumn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(upper);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    SetTabOrder();
}

QBoxLayout* SetupDialog::BuildButtons()
{
    m_okButton = new QPushButton(tr("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    MatchButtonWidths({m_okButton, m_cancelButton});
    connect(m_okButton, &QPushButton::clicked, this, &SetupDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &SetupDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_okButton);
    return buttons;
}

QGroupBox* SetupDialog::BuildMonthBox()
{
    auto* monthBox = new QGroupBox(tr("&Month names"), this);
    auto* monthGrid = new QGridLayout(monthBox);
    const int editWidth = fontMetrics().horizontalAdvance(QLatin1Char('x')) * 24;
    for (int month = 0; month < ExtractionSettings::MonthCount; ++month) {
        auto* number = new QLabel(QString::number(month + 1), monthBox);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* edit = new QLineEdit(monthBox);
        edit->setObjectName(QStringLiteral("monthEdit%1").arg(month + 1));
        edit->setMinimumWidth(editWidth);
        number->setBuddy(edit);
        monthGrid->addWidget(number, month, 0);
        monthGrid->addWidget(edit, month, 1);
        m_monthEdits[month] = edit;
        connect(edit, &QLineEdit::textChanged, this, &SetupDialog::ShowExamples);
    }
    monthGrid->setColumnStretch(1, 1);
    return monthBox;
}

QBoxLayout* SetupDialog::BuildOptionsColumn()
{
    auto* dateLabel = new QLabel(tr("&Date format:"), this);
    m_dateFormatCombo = new QComboBox(this);
    m_dateFormatCombo->setObjectName(QStringLiteral("dateFormatCombo"));
    m_dateFormatCombo->setEditable(false);
    for (int layout = 0; layout < DateLayoutCount; ++layout)
        m_dateFormatCombo->addItem(QString());
    ShowExamples();
    m_dateFormatCombo->setMaxVisibleItems(DateLayoutCount);
    m_dateFormatCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    dateLabel->setBuddy(m_dateFormatCombo);

    m_subSecondsCheck = new QCheckBox(tr("Include &sub-seconds \nWill only work with some cameras"), this);
    m_subSecondsCheck->setObjectName(QStringLiteral("subSecondsCheck"));

    auto* formatsLabel = new QLabel(tr("&Photo formats:"), this);
    m_formatsCombo = new QComboBox(this);
    m_formatsCombo->setObjectName(QStringLiteral("formatsCombo"));
    m_formatsCombo->addItem(tr("JPEG and TIFF only"));
    m_formatsCombo->addItem(tr("All photo formats"));
    m_formatsCombo->addItem(tr("Photos and videos"));
    m_formatsCombo->setToolTip(
        tr("All photo formats: JPEG and TIFF, and HEIC, camera RAW (CR3 among them), DNG, PNG, WebP and JPEG XL.\n"
           "Photos and videos: those, and the MP4, MOV, M4V and 3GP videos of phones and cameras."));
    formatsLabel->setBuddy(m_formatsCombo);

    m_spreadsheetCheck = new QCheckBox(tr("&For spreadsheets"), this);
    m_spreadsheetCheck->setObjectName(QStringLiteral("spreadsheetCheck"));
    m_spreadsheetCheck->setToolTip(
        tr("Starts the file with a byte-order mark, so that spreadsheets read its accents right, and puts an "
           "apostrophe before any text that a spreadsheet would take as a formula."));

    auto* optionsColumn = new QVBoxLayout;
    optionsColumn->addWidget(dateLabel);
    optionsColumn->addWidget(m_dateFormatCombo);
    optionsColumn->addSpacing(fontMetrics().height() / 2);
    optionsColumn->addWidget(m_subSecondsCheck);
    optionsColumn->addSpacing(fontMetrics().height() / 2);
    optionsColumn->addWidget(m_spreadsheetCheck);
    optionsColumn->addSpacing(fontMetrics().height() / 2);
    optionsColumn->addWidget(formatsLabel);
    optionsColumn->addWidget(m_formatsCombo);
    optionsColumn->addStretch(1);
    return optionsColumn;
}

void SetupDialog::SetTabOrder()
{
    // OK first, so that the dialog opens with the focus on it and someone who opened it only to
    // look leaves with Enter or Space; then Cancel, and down the form: the months, the layout,
    // the options.
    setTabOrder(m_okButton, m_cancelButton);
    QWidget* previous = m_cancelButton;
    for (QLineEdit* edit : m_monthEdits) {
        setTabOrder(previous, edit);
        previous = edit;
    }
    setTabOrder(previous, m_dateFormatCombo);
    setTabOrder(m_dateFormatCombo, m_subSecondsCheck);
    setTabOrder(m_subSecondsCheck, m_spreadsheetCheck);
    setTabOrder(m_spreadsheetCheck, m_formatsCombo);
}

void SetupDialog::ShowExamples()
{
    // Now, laid out in each layout with the month names as they stand in the boxes.
    const std::string now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toStdString();
    MonthNames names;
    for (int month = 0; month < ExtractionSettings::MonthCount; ++month)
        names[month] = m_monthEdits[month]->text().toStdString();
    for (int layout = 0; layout < m_dateFormatCombo->count(); ++layout)
        m_dateFormatCombo->setItemText(
            layout, QStringLiteral("%1   (%2)")
                        .arg(tr(DateFormatLabels()[layout]), QString::fromStdString(FormatDate(now, layout, names))));
}

void SetupDialog::SetFormats(std::int32_t formats)
{
    // Values the store cannot hold select the default rather than nothing.
    m_formats = formats == 0 || formats == 1 ? formats : 2;
    m_formatsCombo->setCurrentIndex(m_formats);
}

void SetupDialog::SetValues(const MonthNames& monthNames, std::int32_t dateFormat, std::int32_t subSeconds,
                            std::int32_t spreadsheet)
{
    m_monthNames = monthNames;
    m_dateFormat = dateFormat;
    m_subSeconds = subSeconds;
    m_spreadsheet = spreadsheet;
    for (int month = 0; month < ExtractionSettings::MonthCount; ++month)
        m_monthEdits[month]->setText(QString::fromStdString(m_monthNames[month]));
    // A stored layout number that names no layout selects nothing rather than guessing one.
    const bool known = m_dateFormat >= 0 && m_dateFormat < m_dateFormatCombo->count();
    m_dateFormatCombo->setCurrentIndex(known ? m_dateFormat : -1);
    m_subSecondsCheck->setChecked(m_subSeconds != 0);
    m_spreadsheetCheck->setChecked(m_spreadsheet != 0);
}

void SetupDialog::accept()
{
    // Taken only here: Cancel, Escape and the close box leave the copies as they were given.
    m_dateFormat = m_dateFormatCombo->currentIndex();
    for (int month = 0; month < ExtractionSettings::MonthCount; ++month)
        m_monthNames[month] = m_monthEdits[month]->text().toStdString();
    m_subSeconds = m_subSecondsCheck->isChecked() ? 1 : 0;
    m_formats = m_formatsCombo->currentIndex();
    m_spreadsheet = m_spreadsheetCheck->isChecked() ? 1 : 0;
    QDialog::accept();
}
