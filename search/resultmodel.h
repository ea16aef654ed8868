#pragma once
// The rows of the search result as the grid shows them. Attaching a query reads
// a first screen of rows at once; the rest is then read in the background, in
// short slices on the event loop (the window keeps answering between them),
// until the result is complete and the scroll bar is true. Rows read in the
// background are handed to the grid together, every ShowEveryMilliseconds and
// at the end, not slice by slice: each hand-over costs the grid a new layout.
// The grid may also ask for more itself (canFetchMore / fetchMore) when it
// scrolls near the end first, and then gets what has been read at once.
// Attaching another query, or none, stops the reading of the old one.
//
// The rows are kept as the engine's text in one buffer per result
// (db/textrows.h), not as a string per value.
//
// Columns: 2023 deletion mark, 2023 new mark, finest-code mark, code, decorated
// Chinese name, English name. An ICD-11 traditional-medicine row is told apart
// from the ICD-10-CM rows it sorts among: its name starts with 【ICD-11】, its
// cells have a pale green ground and its code a tooltip saying what it is.

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "db/textrows.h"

namespace db {
class Query;
}

namespace search {

class ResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Flag2023Column,
        New2023Column,
        FinestColumn,
        CodeColumn,
        ChineseNameColumn,
        EnglishNameColumn
    };
    static constexpr int ColumnCount = 6;
    static constexpr int BatchSize = 256;             // rows the grid's fetchMore reads
    static constexpr int FirstScreenRows = 40;        // rows read when a query is attached
    static constexpr int SliceRows = 2000;            // at most this many rows per background slice
    static constexpr int SliceMilliseconds = 8;       // ... and about this long
    static constexpr int ShowEveryMilliseconds = 100; // rows read in the background reach the grid this often

    // A row's values, valid until the result changes (attach, clear).
    struct Row {
        std::string_view code, chineseName, englishName, finest, flag2023, new2023;
    };

    explicit ResultModel(QObject* parent = nullptr);

    // Shows the rows of an open query (reading its first batch now), or no rows
    // when the query is null or closed. The query must outlive its use here.
    void attach(db::Query* query);
    void clear() { attach(nullptr); }

    // Reads the rest of the result now (Ctrl+End wants the true last row).
    void fetchAll();
    // True when every row of the attached result has been read (or nothing is attached).
    bool isComplete() const { return !canFetchMore(); }
    // True while a search's result (open, read to its end, or empty) is shown.
    bool isAttached() const { return m_query != nullptr; }
    // Whether the rest is read in the background after attach (on by default).
    void setBackgroundReading(bool on) { m_background = on; }

    // Called with the engine's message when reading further rows fails.
    void setErrorHandler(std::function<void(const std::string&)> handler) { m_onError = std::move(handler); }

    std::optional<Row> row(int index) const;
    // Rows given to the grid whose code is an ICD-11 traditional-medicine code.
    int icd11RowCount() const { return m_icd11Rows; }
    // The Chinese name of a row with its 2023 status suffix ("" for no row).
    QString decoratedName(int index) const;
    // The row marked by the indicator in the row header (-1 none).
    void setCurrentRow(int index);
    int currentRow() const { return m_current; }

    // Field name and title of each column, and its width in characters.
    static const char* fieldName(int column);
    static QString title(int column);
    static int widthInCharacters(int column);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;

signals:
    // After every read: the rows held so far, and whether that is all of them.
    void rowsRead(int rows, bool complete);

private:
    // Reads up to maxRows rows (stopping after maxMilliseconds when that is > 0).
    void readRows(int maxRows, int maxMilliseconds);
    void readSlice();
    // Hands the rows read so far to the grid.
    void show();
    bool moreToRead() const;

    db::Query* m_query = nullptr;
    QTimer* m_slice = nullptr;
    bool m_background = true;
    bool m_reading = false;
    std::array<int, ColumnCount> m_fields{}; // the query's column of each of Row's values
    db::TextRows m_rows{ColumnCount};        // read so far, in Row's order
    int m_shown = 0;                         // rows the grid has been given
    QElapsedTimer m_sinceShown;
    int m_icd11Rows = 0;
    int m_current = -1;
    std::function<void(const std::string&)> m_onError;
};

} // namespace search
