#pragma once
// The rows of the search result as the grid shows them, read from the result
// query as the grid needs them: the first batch when the query is attached,
// more whenever the grid scrolls near the end (canFetchMore / fetchMore). A
// result of tens of thousands of rows thus shows its first screen at once.
//
// Columns: 2023 deletion mark, 2023 new mark, finest-code mark, code, decorated
// Chinese name, English name.

#include <QAbstractTableModel>
#include <functional>
#include <string>
#include <vector>

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
    static constexpr int BatchSize = 256;

    struct Row {
        std::string code, chineseName, englishName, finest, flag2023, new2023;
    };

    explicit ResultModel(QObject* parent = nullptr);

    // Shows the rows of an open query (reading its first batch now), or no rows
    // when the query is null or closed. The query must outlive its use here.
    void attach(db::Query* query);
    void clear() { attach(nullptr); }

    // Called with the engine's message when reading further rows fails.
    void setErrorHandler(std::function<void(const std::string&)> handler) { m_onError = std::move(handler); }

    const Row* row(int index) const;
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

private:
    db::Query* m_query = nullptr;
    std::vector<Row> m_rows;
    int m_current = -1;
    std::function<void(const std::string&)> m_onError;
};

} // namespace search
