#pragma once

#include "host/objects/AtomObject.hpp"
#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <memory>
#include <set>
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

    bool operator==(const CashPlanLine&) const = default;
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
    const std::shared_ptr<Book>& GetBook() const { return book_; }

    // The IDC of the year's plan, 0 when the year has none.
    static std::int64_t PlanOfYear(Book& book, int year);

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
    // A new line as given; ValueError naming the column when one of its values is refused.
    std::size_t AddLine(const CashPlanLine& line);
    // One cell by its column name; ValueError for a column that cannot be edited or a value
    // not of its kind or refused by LineValueProblem.
    void SetLineValue(std::size_t line, std::string_view column, const Value& value);
    // Why a line cannot hold the value in the column, or an empty text when it can: a sum
    // must be above zero, a due date is required, the payment type must be one of the
    // reference's and the client, when given, one of the clients.
    [[nodiscard]] std::string LineValueProblem(std::string_view column, const Value& value) const;
    void RemoveLine(std::size_t line);
    // The lines as the list shows them (a copy: edits go through the plan), with the names
    // of their payment types and clients and the number of the paying document.
    std::shared_ptr<Ui::TableRowSource> LinesSource() const;

    Currency Summa() const;
    // Why the plan cannot be saved, or an empty text when it can: the date is missing,
    // another plan of the same year exists, or a line lacks its due date or a sum above zero.
    [[nodiscard]] std::string Check() const;
    // ValueError with Check's text when it cannot be saved; returns the IDC.
    std::int64_t Save();
    std::int64_t IDC() const;

    // The days the company's calendar (REFDates) takes off in a year.
    std::set<Date> CompanyDaysOff(int year) const;
    // The name of a payment type or a client; empty for a code the reference lacks.
    std::string PaymentTypeName(const std::string& code) const;
    std::string ClientName(const std::string& code) const;

private:
    void ReadLines();
    CashPlanLine& LineAt(std::size_t line);

    std::shared_ptr<Book> book_;
    std::unique_ptr<THDocumentObject> document_;
    std::vector<CashPlanLine> lines_;
    std::vector<CashPlanLine> storedLines_; // the lines as the database holds them
};

} // namespace Talvex::Erp
