#include "extract/WorkbookWriter.h"

#include "extract/OutputFile.h"
#include "extract/WorkbookCells.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <utility>

namespace {

constexpr double MaxColumnWidth = 60.0;
constexpr lxw_col_t NameColumn = 0;

}  // namespace

struct WorkbookWriter::Book {
    OutputFile* file = nullptr;
    lxw_workbook* workbook = nullptr;
    lxw_worksheet* sheet = nullptr;
    std::vector<Column> columns;
    lxw_format* heading = nullptr;
    lxw_format* linkedNumber = nullptr;
    lxw_format* lines = nullptr;  // a text of several lines shows them all
    // By DatePart, then decimals of a second.
    lxw_format* dates[3][MaxSecondDecimals + 1] = {};
    lxw_row_t row = 0;  // the last row written
    std::size_t links = 0;
    std::vector<std::size_t> widths;  // by sheet column

    ~Book()
    {
        // Never closed: the workbook is dropped, and nothing more goes into the file.
        if (workbook != nullptr)
            lxw_workbook_free(workbook);
    }

    void Failed(lxw_error error)
    {
        // The library says what failed, not why; the system's reason is kept where there is one.
        const int reason = errno;
        file->SetFailed(error == LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE ? EFBIG : reason);
    }

    void Check(lxw_error error)
    {
        if (error != LXW_NO_ERROR)
            Failed(error);
    }

    void Widen(lxw_col_t column, std::string_view shown)
    {
        widths[column] = std::max(widths[column], DisplayWidth(shown));
    }

    bool MayLink(std::string_view link) const { return links < MaxLinks && link.size() <= MaxLinkLength; }

    void Text(lxw_col_t column, const std::string& text, lxw_format* format = nullptr)
    {
        Check(worksheet_write_string(sheet, row, column, text.c_str(), format));
        Widen(column, text);
    }
};

WorkbookWriter::WorkbookWriter(DateLayout layout) : m_layout(std::move(layout)) {}

WorkbookWriter::~WorkbookWriter() = default;

bool WorkbookWriter::Begin(OutputFile& file, const std::vector<Column>& columns)
{
    m_book = std::make_unique<Book>();
    Book& book = *m_book;
    book.file = &file;
    book.columns = columns;
    book.widths.assign(columns.size() + 1, 0);
    const std::string path = file.WriterPath();
    if (path.empty()) {
        file.SetFailed(ENOTSUP);
        return false;
    }
    // Rows go to a temporary file of the system as they come, rather than stay in memory.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    // The system's temporary files otherwise go to /tmp, whatever TMPDIR says.
    const char* temporaryFolder = std::getenv("TMPDIR");
    std::string folder = temporaryFolder != nullptr ? temporaryFolder : "";
    if (!folder.empty())
        options.tmpdir = folder.data();
    errno = 0;
    book.workbook = workbook_new_opt(path.c_str(), &options);
    book.sheet = book.workbook == nullptr ? nullptr : workbook_add_worksheet(book.workbook, "Photos");
    if (book.sheet == nullptr) {
        file.SetFailed(errno != 0 ? errno : ENOMEM);
        if (book.workbook != nullptr)
            lxw_workbook_free(std::exchange(book.workbook, nullptr));
        return false;
    }
    book.heading = workbook_add_format(book.workbook);
    format_set_bold(book.heading);
    book.linkedNumber = workbook_add_format(book.workbook);
    format_set_underline(book.linkedNumber, LXW_UNDERLINE_SINGLE);
    format_set_font_color(book.linkedNumber, LXW_COLOR_BLUE);
    book.lines = workbook_add_format(book.workbook);
    format_set_text_wrap(book.lines);
    for (const DatePart part : {DatePart::Date, DatePart::Time, DatePart::DateAndTime})
        for (int decimals = 0; decimals <= MaxSecondDecimals; ++decimals) {
            lxw_format* format = workbook_add_format(book.workbook);
            format_set_num_format(format, DateNumberFormat(m_layout, part, decimals).c_str());
            book.dates[static_cast<int>(part)][decimals] = format;
        }

    book.Text(NameColumn, "Filename", book.heading);
    for (std::size_t column = 0; column < columns.size(); ++column)
        book.Text(static_cast<lxw_col_t>(column + 1), CellText(columns[column].heading), book.heading);
    worksheet_freeze_panes(book.sheet, 1, 0);
    // Printed, the columns fit across a landscape page, with the headings on every page.
    worksheet_set_landscape(book.sheet);
    worksheet_fit_to_pages(book.sheet, 1, 0);
    worksheet_repeat_rows(book.sheet, 0, 0);
    return !file.Failed();
}

void WorkbookWriter::AddRow(std::string_view name, const std::string& path, const Fields& fields,
                            std::optional<double> latitude, std::optional<double> longitude)
{
    Book& book = *m_book;
    if (book.file->Failed())
        return;
    if (book.row + 1 >= LXW_ROW_MAX) {
        book.file->SetFailed(EFBIG);
        return;
    }
    ++book.row;

    const std::string shownName = CellText(name);
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(path), error);
    const std::string fileLink = error ? std::string() : FileLink(absolute.string());
    if (!fileLink.empty() && book.MayLink(fileLink) &&
        worksheet_write_url_opt(book.sheet, book.row, NameColumn, fileLink.c_str(), nullptr, shownName.c_str(),
                                nullptr) == LXW_NO_ERROR) {
        ++book.links;
        book.Widen(NameColumn, shownName);
    } else {
        book.Text(NameColumn, shownName);
    }

    std::size_t lines = 1;  // of the row's tallest text
    for (std::size_t index = 0; index < book.columns.size() && index < fields.size(); ++index) {
        const Field& field = fields[index];
        const auto column = static_cast<lxw_col_t>(index + 1);
        // A joined pair of which neither part is known leaves a lone blank: no value either.
        if (field.text.find_first_not_of(' ') == std::string::npos)
            continue;
        if (field.type == Field::Type::Number && std::isfinite(field.number)) {
            lxw_format* format = nullptr;
            if (book.columns[index].name == "lat" && latitude && longitude && std::fabs(*latitude) <= 90.0 &&
                std::fabs(*longitude) <= 180.0) {
                const std::string mapLink = MapLink(*latitude, *longitude);
                // The link is laid on the cell first, then the number takes the cell's place.
                if (book.MayLink(mapLink) &&
                    worksheet_write_url(book.sheet, book.row, column, mapLink.c_str(), nullptr) == LXW_NO_ERROR) {
                    ++book.links;
                    format = book.linkedNumber;
                }
            }
            book.Check(worksheet_write_number(book.sheet, book.row, column, field.number, format));
            book.Widen(column, field.text);
            continue;
        }
        if (field.type == Field::Type::DateTime) {
            const DatePart part = DatePartOf(book.columns[index]);
            // A date column holds the day and a time column the time of day, so that each sorts and
            // filters by what it shows.
            if (const auto value = DateSerial(field.moment, part)) {
                const int decimals = std::min<int>(static_cast<int>(field.moment.fraction.size()), MaxSecondDecimals);
                lxw_format* format = book.dates[static_cast<int>(part)][decimals];
                book.Check(worksheet_write_number(book.sheet, book.row, column, *value, format));
                book.Widen(column, field.text);
                continue;
            }
        }
        const std::string text = CellText(field.text);
        const auto breaks = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        lines = std::max(lines, breaks + 1);
        book.Text(column, text, breaks == 0 ? nullptr : book.lines);
    }
    // Spreadsheets do not make a row taller for its lines as they open a file; a caption of many
    // lines shows its first few.
    constexpr std::size_t mostLines = 6;
    constexpr double lineHeight = 15.0;
    if (lines > 1)
        book.Check(worksheet_set_row(book.sheet, book.row, lineHeight * static_cast<double>(std::min(lines, mostLines)),
                                     nullptr));
}

bool WorkbookWriter::Finish()
{
    if (!m_book || m_book->workbook == nullptr)
        return false;
    Book& book = *m_book;
    const auto lastColumn = static_cast<lxw_col_t>(book.columns.size());
    book.Check(worksheet_autofilter(book.sheet, 0, 0, book.row, lastColumn));
    // Room for the filter's button beside each heading.
    constexpr double margin = 3.0;
    for (lxw_col_t column = 0; column <= lastColumn; ++column)
        book.Check(worksheet_set_column(book.sheet, column, column,
                                        std::min(MaxColumnWidth, static_cast<double>(book.widths[column]) + margin),
                                        nullptr));
    errno = 0;
    const lxw_error closed = workbook_close(std::exchange(book.workbook, nullptr));
    if (closed != LXW_NO_ERROR)
        book.Failed(closed);
    return !book.file->Failed();
}
