#pragma once

#include "host/objects/AtomObject.hpp"
#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex {
class Book;
namespace Ui {
class FieldMap;
class TableRowSource;
} // namespace Ui
} // namespace Talvex

namespace Talvex::Erp {

class THDocumentObject;

// One planned payment of a cash payment plan: when, how much, how and by whom; the payment
// document that settled it, once one has.
struct CashPlanLine {
    Currency summa;
    Date needPayDate;
    std::string paymentTypeCode;
    std::string client;
    std::int64_t payDocId = 0;
};

// The yearly cash payment plan "CPAY" as its editing dialog sees it: a header for one year
// and its lines, edited here and written as one unit of work. Each line is a goods row of the
// placeholder goods item (THGoodSpec) with its plan columns (THGoodSpecCPAY).
class CashPlanDocument : public AtomObject {
public:
    static constexpr std::string_view kDocType = "CPAY";
    static constexpr std::string_view kPlaceholderGood = "CP";
    static constexpr std::string_view kUnit = "VNT";
    static constexpr std::string_view kDefaultPaymentType = "BANK";
    // The columns the lines are shown under, in order.
    static const std::vector<std::string>& LineColumns();

    explicit CashPlanDocument(std::shared_ptr<Book> book);
    ~CashPlanDocument() override;
    std::string ObjectName() const override { return std::string(kDocType); }

    // A new plan of the year, without lines.
    void New(int year);
    // ValueError when no cash plan has the IDC.
    void Load(std::int64_t idc);

    // The header as the dialog's fields: DocumentDate, Number, Summa, CurrencyCode, IsClosed.
    void ReadHeader(Ui::FieldMap& fields) const;
    // Takes the fields the dialog has (DocumentDate, Number, CurrencyCode, IsClosed); the
    // sum is the lines' own.
    void WriteHeader(const Ui::FieldMap& fields);

    const std::vector<CashPlanLine>& Lines() const { return lines_; }
    // A new line with the default payment type, due on the plan's first day; its index.
    std::size_t AddLine();
    // One cell by its column name; ValueError for a column that cannot be edited or a value
    // not of its kind.
    void SetLineValue(std::size_t line, std::string_view column, const Value& value);
    void RemoveLine(std::size_t line);
    // The lines as the list shows them (a copy: edits go through the plan).
    std::shared_ptr<Ui::TableRowSource> LinesSource() const;

    Currency Summa() const;
    // Why the plan cannot be saved, or an empty text when it can: the date is missing, or
    // another plan of the same year exists.
    [[nodiscard]] std::string Check() const;
    // ValueError with Check's text when it cannot be saved; returns the IDC.
    std::int64_t Save();
    std::int64_t IDC() const;

private:
    void ReadLines();
    CashPlanLine& LineAt(std::size_t line);

    std::shared_ptr<Book> book_;
    std::unique_ptr<THDocumentObject> document_;
    std::vector<CashPlanLine> lines_;
};

} // namespace Talvex::Erp
