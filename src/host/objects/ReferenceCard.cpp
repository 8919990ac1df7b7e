#include "host/objects/ReferenceCard.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/PrintService.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/TableRowSource.hpp"

#include <algorithm>
#include <map>
#include <set>

namespace Talvex {

namespace {

struct CardField {
    const char* column;
    const char* caption;
};

struct CardReference {
    const char* table;
    const char* caption;
    std::vector<CardField> fields;
};

// The references whose rows have a card of their own, and what it shows.
const std::vector<CardReference>& CardReferences()
{
    static const std::vector<CardReference> references = {
        {"REFDepartment", "Department", {{"Code", "Code"}, {"Name", "Name"}, {"Parent", "Parent group"}}},
        {"REFPerson",
         "Person",
         {{"Code", "Code"}, {"FirstName", "First name"}, {"LastName", "Last name"}, {"PlantCode", "Plant"}}},
        {"REFGood", "Good", {{"Code", "Code"}, {"Name", "Name"}, {"Parent", "Group"}, {"Category", "Category"}}},
    };
    return references;
}

const std::vector<CardField> kClientFields = {
    {"Code", "Code"},   {"Name", "Name"}, {"VATCode", "VAT code"}, {"Address", "Address"},
    {"Phone", "Phone"}, {"Fax", "Fax"},   {"EMail", "E-mail"},     {"MarketGrCode", "Market group"},
};

// The row of a reference with the given code, as column -> value, in the order asked.
std::vector<std::pair<std::string, Value>> ReadRow(Book& book, const std::string& table,
                                                   const std::vector<CardField>& fields, const std::string& code)
{
    auto list = book.CreateList(table);
    std::vector<std::string> columns;
    for (const auto& field : fields)
        columns.emplace_back(field.column);
    list->Fields().SelectFields(columns);
    list->SetFilter(SqlTools::CondByField(list->Fields().Item("Code"), SqlOperator::kEqual, Value(code)));
    list->Refresh();
    const Ui::RecordsetRows rows = Ui::ReadRecordsetRows(*list->Recordset(), columns);
    if (rows.rows.empty()) throw ValueError(table + ": no row with the code '" + code + "'");
    std::vector<std::pair<std::string, Value>> values;
    for (std::size_t i = 0; i < columns.size(); ++i)
        values.emplace_back(columns[i], rows.rows[0][i]);
    return values;
}

std::vector<ClientPersonRow> ReadPersons(Book& book, const std::string& clientCode)
{
    auto persons = book.CreateList("REFClientPerson");
    auto names = book.CreateList("REFPerson");
    persons->Join(names, "P", "P.Code = oTable.PersonCode", 1);
    persons->Fields().AddField("PersonName", FieldType::kText, "P.FirstName + ' ' + P.LastName");
    persons->Fields().SelectFields({"PersonCode", "PersonName", "PersonRoleCode", "IsMain"});
    persons->SetFilter(
        SqlTools::CondByField(persons->Fields().Item("ClientCode"), SqlOperator::kEqual, Value(clientCode)));
    // The managers first, the main one of each role before the others.
    persons->OrderBy("CASE WHEN oTable.PersonRoleCode = 'MATS' THEN 0 ELSE 1 END, oTable.PersonRoleCode, "
                     "oTable.IsMain DESC, oTable.PersonCode");
    persons->Refresh();
    std::vector<ClientPersonRow> rows;
    for (const auto& row :
         Ui::ReadRecordsetRows(*persons->Recordset(), {"PersonCode", "PersonName", "PersonRoleCode", "IsMain"}).rows)
        rows.push_back({row[0].ToText(), row[1].ToText(), row[2].ToText(), row[3].ToInteger() != 0});
    return rows;
}

std::vector<ClientDebtTerm> ReadDebtTerms(Book& book, const std::string& clientCode)
{
    auto terms = book.CreateList("THDocPayTermCurDbt");
    auto parties = book.CreateList("THPartyAttribute");
    terms->Join(parties, "Party", "Party.DocID = oTable.IDC", 0);
    terms->Fields().AddField("RolePartyCode", FieldType::kCode, "Party.RolePartyCode");
    terms->Fields().SelectFields({"IDC", "RolePartyCode", "CurrencyCode", "DebtSumma", "NeedPayDate"});
    terms->SetFilter(SqlTools::CombineConds(
        CombineMode::kAnd,
        {SqlTools::CondByName("Party.PartyCode", FieldType::kCode, SqlOperator::kEqual, Value(clientCode)),
         SqlTools::CondByField(terms->Fields().Item("IsPosted"), SqlOperator::kEqual, Value(1))}));
    terms->Refresh();
    std::vector<ClientDebtTerm> rows;
    for (const auto& row : Ui::ReadRecordsetRows(*terms->Recordset(),
                                                 {"IDC", "RolePartyCode", "CurrencyCode", "DebtSumma", "NeedPayDate"})
                               .rows)
        rows.push_back({row[0].ToInteger(), row[1].ToText(), row[2].ToText(), row[3].ToCurrency(),
                        row[4].IsEmpty() || row[4].IsNull() ? Date() : row[4].ToDate()});
    return rows;
}

void AddField(Ui::Form& form, const std::string& column, const std::string& caption, const Value& value)
{
    Ui::Control& box = form.Add(Ui::ControlKind::TextBox, "ed" + column, caption);
    box.SetValue(Value(value.IsNull() ? std::string() : value.ToInvariantText()));
    box.SetLocked(true);
}

std::string DirectionOf(const std::string& roleCode)
{
    if (roleCode == "PIR") return "Receivable";
    if (roleCode == "PAR") return "Payable";
    // The client paid and the payment is not yet set off against a document.
    if (roleCode == "MOK") return "Unallocated payments";
    return roleCode;
}

} // namespace

std::vector<ClientDebtLine> SummariseClientDebt(const std::vector<ClientDebtTerm>& terms, Date today)
{
    std::map<std::pair<std::string, std::string>, ClientDebtLine> lines;
    std::map<std::pair<std::string, std::string>, std::set<std::int64_t>> documents;
    for (const auto& term : terms) {
        const std::string direction = DirectionOf(term.roleCode);
        ClientDebtLine& line = lines[{direction, term.currencyCode}];
        line.direction = direction;
        line.currencyCode = term.currencyCode;
        line.debt += term.debt;
        // Due today is not yet overdue.
        if (term.needPayDate < today) line.overdue += term.debt;
        documents[{direction, term.currencyCode}].insert(term.documentId);
    }
    std::vector<ClientDebtLine> result;
    for (auto& [key, line] : lines) {
        line.documents = static_cast<std::int64_t>(documents[key].size());
        result.push_back(line);
    }
    return result;
}

ClientCardData ReadClientCard(Book& book, const std::string& clientCode)
{
    ClientCardData data;
    data.fields = ReadRow(book, "REFClient", kClientFields, clientCode);
    data.persons = ReadPersons(book, clientCode);
    data.debt = SummariseClientDebt(ReadDebtTerms(book, clientCode), book.Today());
    return data;
}

ClientCard::ClientCard(std::shared_ptr<Book> book, const std::string& clientCode)
    : Form(kFormName), book_(std::move(book)), data_(ReadClientCard(*book_, clientCode))
{
    SetCaption("Client card: " + data_.fields[1].second.ToText());
    for (std::size_t i = 0; i < kClientFields.size(); ++i)
        AddField(*this, kClientFields[i].column, kClientFields[i].caption, data_.fields[i].second);

    Ui::Grid& persons = AddGrid("grdPersons");
    persons.SetCaption("Managers and persons");
    persons.AddColumn("PersonCode", "Person");
    persons.AddColumn("PersonName", "Name");
    persons.AddColumn("PersonRoleCode", "Role");
    persons.AddColumn("IsMain", "Main");
    persons.Column("PersonCode").cardReference = "REFPerson";
    for (const auto& person : data_.persons)
        persons.AddRow({Value(person.personCode), Value(person.personName), Value(person.roleCode),
                        Value(person.isMain ? "yes" : "")});

    Ui::Grid& debt = AddGrid("grdDebt");
    debt.SetCaption("Open debt");
    debt.AddColumn("Direction", "Direction");
    debt.AddColumn("CurrencyCode", "Currency");
    debt.AddColumn("Documents", "Documents", "#,##0");
    debt.AddColumn("DebtSumma", "Debt", "#,##0.00");
    debt.AddColumn("Overdue", "Overdue", "#,##0.00");
    for (const auto& line : data_.debt)
        debt.AddRow({Value(line.direction), Value(line.currencyCode), Value(line.documents), Value(line.debt),
                     Value(line.overdue)});

    Add(Ui::ControlKind::Button, "btPrint", "Print");
    On("btPrint", "Click", [this](Ui::EventArgs&) { Print(); });
    Add(Ui::ControlKind::Button, "btClose", "Close").SetCancel(true);
}

void ClientCard::Print()
{
    auto debt = std::make_shared<Ui::TableRowSource>(
        std::vector<std::string>{"Direction", "CurrencyCode", "Documents", "DebtSumma", "Overdue"});
    for (const auto& line : data_.debt)
        debt->AddRow({Value(line.direction), Value(line.currencyCode), Value(line.documents), Value(line.debt),
                      Value(line.overdue)});
    auto persons =
        std::make_shared<Ui::TableRowSource>(std::vector<std::string>{"PersonCode", "PersonName", "PersonRoleCode"});
    for (const auto& person : data_.persons)
        persons->AddRow({Value(person.personCode), Value(person.personName), Value(person.roleCode)});
    Ui::ReportParameters parameters(data_.fields.begin(), data_.fields.end());
    parameters.emplace_back("RepDate", Value(book_->Today()));
    Ui::PrintService(*GetSession()).Print(kReportCode, parameters, {debt, persons});
}

ReferenceCard::ReferenceCard(Book& book, const std::string& reference, const std::string& code) : Form(kFormName)
{
    const auto& references = CardReferences();
    const auto it = std::find_if(references.begin(), references.end(),
                                 [&reference](const CardReference& r) { return reference == r.table; });
    if (it == references.end()) throw ValueError("Card: the reference '" + reference + "' has no card");
    const auto values = ReadRow(book, it->table, it->fields, code);
    SetCaption(std::string(it->caption) + ": " + code);
    SetTag(Value(reference));
    for (std::size_t i = 0; i < it->fields.size(); ++i)
        AddField(*this, it->fields[i].column, it->fields[i].caption, values[i].second);
    Add(Ui::ControlKind::Button, "btClose", "Close").SetCancel(true);
}

void InstallReferenceCards(Ui::Session& session, std::function<std::shared_ptr<Book>()> book)
{
    Ui::ReportLayouts& layouts = Ui::ReportLayouts::Host();
    if (!layouts.Has(ClientCard::kReportCode)) {
        layouts.Register(Ui::ReportLayout{ClientCard::kReportCode,
                                          "Client card",
                                          {{"Code", "Code", ""},
                                           {"Name", "Name", ""},
                                           {"VATCode", "VAT code", ""},
                                           {"Address", "Address", ""},
                                           {"RepDate", "Open debt on", "yyyy-mm-dd"}},
                                          {{"Direction", "Direction", "", false},
                                           {"CurrencyCode", "Currency", "", false},
                                           {"Documents", "Documents", "#,##0", false},
                                           {"DebtSumma", "Debt", "#,##0.00", false},
                                           {"Overdue", "Overdue", "#,##0.00", false}},
                                          "ClientCard.Persons"});
        layouts.Register(Ui::ReportLayout{"ClientCard.Persons",
                                          "Managers and persons",
                                          {},
                                          {{"PersonCode", "Person", "", false},
                                           {"PersonName", "Name", "", false},
                                           {"PersonRoleCode", "Role", "", false}},
                                          ""});
    }
    session.SetCardOpener([&session, book = std::move(book)](const std::string& reference, const Value& code) {
        // One card per row: opening it again keeps the window already open.
        const std::string key = "card:" + reference + ":" + code.ToText();
        if (session.FindWindowByKey(key) != nullptr) return;
        std::shared_ptr<Book> open = book();
        if (!open) throw ValueError("Card: no database is open");
        std::shared_ptr<Ui::Form> card;
        if (reference == "REFClient")
            card = std::make_shared<ClientCard>(open, code.ToText());
        else
            card = std::make_shared<ReferenceCard>(*open, reference, code.ToText());
        session.ShowModeless(*card, key, card);
    });
}

} // namespace Talvex
