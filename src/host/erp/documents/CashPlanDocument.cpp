#include "host/erp/documents/CashPlanDocument.hpp"

#include "host/data/Connection.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/TableObject.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/FieldMap.hpp"
#include "host/ui/TableRowSource.hpp"

#include <map>
#include <string_view>

namespace Talvex::Erp {

namespace {

constexpr std::string_view kLinesOfPlan = R"sql(
SELECT GS.Summa, SpecType.NeedPayDate, SpecType.PaymentTypeCode, SpecType.Client, SpecType.PayDocId
FROM THGoodSpec GS
LEFT OUTER JOIN THGoodSpecCPAY SpecType ON GS.DocId = SpecType.DocId AND GS.PosNumb = SpecType.PosNumb
WHERE GS.DocID = ?
ORDER BY GS.PosNumb
)sql";

constexpr std::string_view kPlansOfYear = R"sql(
SELECT COUNT(*) FROM THDocument WHERE DocTypeCode = 'CPAY' AND DocumentDate = ? AND IDC <> ?
)sql";

constexpr std::string_view kPlanOfYear = R"sql(
SELECT IDC FROM THDocument WHERE DocTypeCode = 'CPAY' AND DocumentDate = ? ORDER BY IDC
)sql";

constexpr std::string_view kPaymentTypeName = R"sql(
SELECT Name FROM REFPaymentType WHERE Code = ?
)sql";

constexpr std::string_view kClientName = R"sql(
SELECT Name FROM REFClient WHERE Code = ?
)sql";

constexpr std::string_view kPayDocNumber = R"sql(
SELECT Number FROM THDocument WHERE IDC = ?
)sql";

constexpr std::string_view kCompanyDaysOff = R"sql(
SELECT CalDate FROM REFDates WHERE CalDate BETWEEN ? AND ? AND IsWorkDay = 0
)sql";

std::string TextOf(const Value& value)
{
    return value.IsEmpty() || value.IsNull() ? std::string() : value.ToText();
}

} // namespace

const std::vector<std::string>& CashPlanDocument::LineColumns()
{
    static const std::vector<std::string> kColumns = {"PosNumb",         "Summa",           "NeedPayDate",
                                                      "PaymentTypeCode", "PaymentTypeName", "Client",
                                                      "ClientName",      "PayDocId",        "PayDocCode"};
    return kColumns;
}

CashPlanDocument::CashPlanDocument(std::shared_ptr<Book> book)
    : book_(std::move(book)), document_(std::make_unique<THDocumentObject>(book_))
{
}

CashPlanDocument::~CashPlanDocument() = default;

std::int64_t CashPlanDocument::PlanOfYear(Book& book, int year)
{
    const auto rs = book.Db().Query(kPlanOfYear, {Value(Date(year, 1, 1))});
    return rs.rows.empty() ? 0 : rs.rows[0][0].ToInteger();
}

void CashPlanDocument::New(int year)
{
    document_->New(std::string(kDocType));
    document_->Fields("DocumentDate") = Value(Date(year, 1, 1));
    document_->Fields("IsClosed") = Value(0);
    lines_.clear();
    storedLines_.clear();
}

void CashPlanDocument::Load(std::int64_t idc)
{
    THDocumentObject loaded(book_);
    loaded.Load(idc);
    if (loaded.Fields("DocTypeCode").ToText() != kDocType)
        throw ValueError("CPAY: document " + std::to_string(idc) + " is not a cash payment plan");
    document_->Load(idc);
    ReadLines();
}

void CashPlanDocument::ReadLines()
{
    lines_.clear();
    for (const auto& row : book_->Db().Query(kLinesOfPlan, {Value(document_->IDC())}).rows)
        lines_.push_back({row.at(0).ToCurrency(), row.at(1).IsNull() ? Date() : row.at(1).ToDate(), TextOf(row.at(2)),
                          TextOf(row.at(3)), row.at(4).IsNull() ? 0 : row.at(4).ToInteger()});
    storedLines_ = lines_;
}

void CashPlanDocument::ReadHeader(Ui::FieldMap& fields) const
{
    for (const char* name : {"DocumentDate", "Number", "CurrencyCode", "IsClosed"})
        fields.Set(name, document_->Fields(name));
    fields.Set("Summa", Value(Summa()));
}

void CashPlanDocument::WriteHeader(const Ui::FieldMap& fields)
{
    if (fields.Exists("DocumentDate")) {
        const Value& date = fields.Item("DocumentDate");
        document_->Fields("DocumentDate") = date.IsEmpty() || date.IsNull() ? Value(Null{}) : Value(date.ToDate());
    }
    if (fields.Exists("Number")) document_->Fields("Number") = Value(TextOf(fields.Item("Number")));
    if (fields.Exists("CurrencyCode")) document_->Fields("CurrencyCode") = Value(TextOf(fields.Item("CurrencyCode")));
    if (fields.Exists("IsClosed")) document_->Fields("IsClosed") = Value(fields.Item("IsClosed").ToBool() ? 1 : 0);
}

std::size_t CashPlanDocument::AddLine()
{
    const Value& date = document_->Fields("DocumentDate");
    const Date due = date.IsDate() ? Date(date.ToDate().Year(), 1, 1) : Date();
    lines_.push_back({Currency(), due, std::string(kDefaultPaymentType), std::string(), 0});
    return lines_.size() - 1;
}

CashPlanLine& CashPlanDocument::LineAt(std::size_t line)
{
    if (line >= lines_.size())
        throw ValueError("CPAY: no line " + std::to_string(line + 1) + "; the plan has " +
                         std::to_string(lines_.size()));
    return lines_[line];
}

void CashPlanDocument::SetLineValue(std::size_t line, std::string_view column, const Value& value)
{
    CashPlanLine& target = LineAt(line);
    const std::string where = "CPAY line " + std::to_string(line + 1) + " " + std::string(column);
    Value checked;
    if (EqualsIgnoreCase(column, "Summa"))
        checked = CheckedFieldValue(FieldType::kAmount, value, where);
    else if (EqualsIgnoreCase(column, "NeedPayDate"))
        checked = CheckedFieldValue(FieldType::kDate, value, where);
    else if (EqualsIgnoreCase(column, "PaymentTypeCode") || EqualsIgnoreCase(column, "Client"))
        checked = CheckedFieldValue(FieldType::kCode, value, where);
    else
        // The position follows the order of the lines, and the paying document is set by
        // the payment that settles the line.
        throw ValueError(where + ": cannot be edited");
    if (const std::string problem = LineValueProblem(column, checked); !problem.empty())
        throw ValueError(where + ": " + problem);

    if (EqualsIgnoreCase(column, "Summa"))
        target.summa = checked.ToCurrency();
    else if (EqualsIgnoreCase(column, "NeedPayDate"))
        target.needPayDate = checked.ToDate();
    else if (EqualsIgnoreCase(column, "PaymentTypeCode"))
        target.paymentTypeCode = TextOf(checked);
    else
        target.client = TextOf(checked);
}

std::string CashPlanDocument::LineValueProblem(std::string_view column, const Value& value) const
{
    const bool empty = value.IsEmpty() || value.IsNull() || (value.IsText() && value.ToText().empty());
    if (EqualsIgnoreCase(column, "Summa")) {
        if (empty || !(value.ToCurrency() > Currency())) return "must be above zero";
    } else if (EqualsIgnoreCase(column, "NeedPayDate")) {
        if (empty) return "a due date is required";
    } else if (EqualsIgnoreCase(column, "PaymentTypeCode")) {
        if (empty) return "a payment type is required";
        if (book_->Db().Query(kPaymentTypeName, {Value(value.ToText())}).rows.empty())
            return "no payment type '" + value.ToText() + "'";
    } else if (EqualsIgnoreCase(column, "Client")) {
        if (!empty && book_->Db().Query(kClientName, {Value(value.ToText())}).rows.empty())
            return "no client '" + value.ToText() + "'";
    }
    return {};
}

std::size_t CashPlanDocument::AddLine(const CashPlanLine& line)
{
    const std::pair<std::string_view, Value> values[] = {
        {"Summa", Value(line.summa)},
        {"NeedPayDate", line.needPayDate == Date() ? Value(Null{}) : Value(line.needPayDate)},
        {"PaymentTypeCode", Value(line.paymentTypeCode)},
        {"Client", Value(line.client)}};
    for (const auto& [column, value] : values)
        if (const std::string problem = LineValueProblem(column, value); !problem.empty())
            throw ValueError("CPAY new line " + std::string(column) + ": " + problem);
    lines_.push_back(line);
    lines_.back().payDocId = 0;
    return lines_.size() - 1;
}

void CashPlanDocument::RemoveLine(std::size_t line)
{
    LineAt(line);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(line));
}

std::shared_ptr<Ui::TableRowSource> CashPlanDocument::LinesSource() const
{
    auto source = std::make_shared<Ui::TableRowSource>(LineColumns());
    std::map<std::string, std::string> paymentTypes;
    std::map<std::string, std::string> clients;
    auto named = [](std::map<std::string, std::string>& names, const std::string& code, auto lookUp) {
        if (code.empty()) return std::string();
        auto [at, added] = names.try_emplace(code);
        if (added) at->second = lookUp(code);
        return at->second;
    };
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto& l = lines_[i];
        std::string payDocCode;
        if (l.payDocId != 0) {
            const auto rs = book_->Db().Query(kPayDocNumber, {Value(l.payDocId)});
            if (!rs.rows.empty()) payDocCode = TextOf(rs.rows[0][0]);
        }
        source->AddRow({Value(static_cast<std::int64_t>(i + 1)), Value(l.summa),
                        l.needPayDate == Date() ? Value(Null{}) : Value(l.needPayDate), Value(l.paymentTypeCode),
                        Value(named(paymentTypes, l.paymentTypeCode,
                                    [this](const std::string& code) { return PaymentTypeName(code); })),
                        Value(l.client),
                        Value(named(clients, l.client, [this](const std::string& code) { return ClientName(code); })),
                        l.payDocId == 0 ? Value(Null{}) : Value(l.payDocId), Value(payDocCode)});
    }
    return source;
}

Currency CashPlanDocument::Summa() const
{
    Currency total;
    for (const auto& l : lines_)
        total += l.summa;
    return total;
}

std::string CashPlanDocument::Check() const
{
    const Value& date = document_->Fields("DocumentDate");
    if (!date.IsDate()) return "The cash payment plan needs a date";
    const Date first(date.ToDate().Year(), 1, 1);
    auto rs = book_->Db().Query(kPlansOfYear, {Value(first), Value(document_->IDC())});
    if (rs.rows.at(0).at(0).ToInteger() > 0)
        return "A cash payment plan of " + std::to_string(first.Year()) + " already exists";
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].needPayDate == Date())
            return "Line " + std::to_string(i + 1) + " of the cash payment plan needs a due date";
        else if (!(lines_[i].summa > Currency()))
            return "Line " + std::to_string(i + 1) + " of the cash payment plan needs a sum above zero";
    return {};
}

std::int64_t CashPlanDocument::Save()
{
    Data::Transaction unit(book_->Db());
    if (const std::string problem = Check(); !problem.empty()) throw ValueError("CPAY: " + problem);
    // A plan is a plan of its year: it is dated its first day, whatever day was typed.
    const int year = document_->Fields("DocumentDate").ToDate().Year();
    document_->Fields("DocumentDate") = Value(Date(year, 1, 1));
    document_->Fields("Summa") = Value(Summa());
    std::int64_t idc = 0;
    try {
        idc = document_->Save();
    } catch (const DatabaseError& error) {
        // Another session wrote the year's plan after this one's check: the database's one
        // plan a year refuses this one as the check would have.
        if (std::string_view(error.what()).find("thdocument_onecashplanayear") == std::string_view::npos) throw;
        throw ValueError("CPAY: A cash payment plan of " + std::to_string(year) + " already exists");
    }
    // Lines edited back to what is stored are left alone: their rows keep their ids, and a
    // plan saved again unchanged writes no line twice.
    if (lines_ == storedLines_) {
        unit.Commit();
        return idc;
    }
    document_->RemoveRows();

    auto row = book_->CreateTableObject("THGoodSpec");
    auto plan = book_->CreateTableObject("THGoodSpecCPAY");
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto& l = lines_[i];
        const Value position(static_cast<std::int64_t>(i + 1));
        row->AddNew();
        row->Set("DocID", Value(idc));
        row->Set("PosNumb", position);
        row->Set("GoodCode", Value(std::string(kPlaceholderGood)));
        row->Set("UnitCode", Value(std::string(kUnit)));
        row->Set("Amount", Value(1));
        row->Set("AmountAccount", Value(1));
        row->Set("Price", Value(l.summa));
        row->Set("Summa", Value(l.summa));
        row->Save();
        plan->AddNew();
        plan->Set("DocID", Value(idc));
        plan->Set("PosNumb", position);
        plan->Set("NeedPayDate", Value(l.needPayDate));
        plan->Set("PaymentTypeCode", Value(l.paymentTypeCode));
        plan->Set("Client", l.client.empty() ? Value(Null{}) : Value(l.client));
        plan->Set("PayDocId", l.payDocId == 0 ? Value(Null{}) : Value(l.payDocId));
        plan->Save();
    }
    unit.Commit();
    storedLines_ = lines_;
    return idc;
}

std::int64_t CashPlanDocument::IDC() const
{
    return document_->IDC();
}

std::set<Date> CashPlanDocument::CompanyDaysOff(int year) const
{
    std::set<Date> days;
    for (const auto& row :
         book_->Db().Query(kCompanyDaysOff, {Value(Date(year, 1, 1)), Value(Date(year, 12, 31))}).rows)
        days.insert(row.at(0).ToDate());
    return days;
}

std::string CashPlanDocument::PaymentTypeName(const std::string& code) const
{
    const auto rs = book_->Db().Query(kPaymentTypeName, {Value(code)});
    return rs.rows.empty() ? std::string() : TextOf(rs.rows[0][0]);
}

std::string CashPlanDocument::ClientName(const std::string& code) const
{
    const auto rs = book_->Db().Query(kClientName, {Value(code)});
    return rs.rows.empty() ? std::string() : TextOf(rs.rows[0][0]);
}

} // namespace Talvex::Erp
