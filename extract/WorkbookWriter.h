#pragma once

#include "extract/ColumnCatalogue.h"
#include "extract/RecordComposer.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class OutputFile;

// Writes the records as a workbook (.xlsx) into an output file: one sheet, "Photos", the heading
// row bold, frozen and filtered, then a row per photo. Each cell has its field's type: a number
// is a number, a date and time the photo states is a date-time cell shown in the run's layout
// (see DateNumberFormat), a text is a text however it begins (never a formula), an empty field an
// empty cell. The name links to the photo, the latitude to the position on a web map, as long as
// the workbook may hold more links (MaxLinks).
//
// Rows go to the file as they come, so that a run of any size takes the memory of a few rows.
// Nothing stands in the file before Finish, and the file is the output's own (its temporary file
// until it is put in place): a stopped or failed run leaves the earlier workbook.
class WorkbookWriter {
public:
    explicit WorkbookWriter(DateLayout layout);
    ~WorkbookWriter();
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    // Starts the workbook in `file` with its heading row; false, and the file failed, when it
    // cannot be. The file must outlive the writer.
    bool Begin(OutputFile& file, const std::vector<Column>& columns);
    // One photo's row. `path` is the photo's path, for the link of its name.
    void AddRow(std::string_view name, const std::string& path, const Fields& fields, std::optional<double> latitude,
                std::optional<double> longitude);
    // Writes the workbook whole into the file; false, and the file failed, when that failed.
    bool Finish();

private:
    struct Book;
    std::unique_ptr<Book> m_book;
    DateLayout m_layout;
};

// Whether an output path names a workbook: its extension is ".xlsx", in any case.
bool IsWorkbookPath(const std::string& path);
