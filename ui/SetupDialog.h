#pragma once

#include "extract/ExtractionSettings.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

// The Setup dialog: the twelve month names, the date layout, the sub-seconds option and the
// option for spreadsheets. It works on its own copies; the caller takes them back only when the
// dialog ends with OK.
class SetupDialog : public QDialog {
    Q_OBJECT
public:
    using MonthNames = std::array<std::string, ExtractionSettings::MonthCount>;

    explicit SetupDialog(QWidget* parent = nullptr);

    // Puts the values into the controls; called before the dialog is shown.
    void SetValues(const MonthNames& monthNames, std::int32_t dateFormat, std::int32_t subSeconds,
                   std::int32_t spreadsheet = 0);

    // Which files a run reads: 0 for JPEG and TIFF only, 1 for every photo format, 2 for photos and
    // videos.
    void SetFormats(std::int32_t formats);
    std::int32_t GetFormats() const { return m_formats; }

    const MonthNames& GetMonthNames() const { return m_monthNames; }
    std::int32_t GetDateFormat() const { return m_dateFormat; }
    std::int32_t GetSubSeconds() const { return m_subSeconds; }
    std::int32_t GetSpreadsheet() const { return m_spreadsheet; }

    // The labels of the date layouts, in the order of their numbers.
    static const std::array<const char*, 9>& DateFormatLabels();

    void accept() override;

private:
    QBoxLayout* BuildButtons();
    QGroupBox* BuildMonthBox();
    QBoxLayout* BuildOptionsColumn();  // the date layout and the options beside the months
    void SetTabOrder();
    // Fills the date layout list: each layout's pattern beside the present moment laid out that way.
    void ShowExamples();

    MonthNames m_monthNames;
    std::int32_t m_dateFormat = 0;
    std::int32_t m_subSeconds = 0;
    std::int32_t m_formats = 2;
    std::int32_t m_spreadsheet = 0;

    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    std::array<QLineEdit*, ExtractionSettings::MonthCount> m_monthEdits{};
    QComboBox* m_dateFormatCombo = nullptr;
    QCheckBox* m_subSecondsCheck = nullptr;
    QComboBox* m_formatsCombo = nullptr;
    QCheckBox* m_spreadsheetCheck = nullptr;
};
