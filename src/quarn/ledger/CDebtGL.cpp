#include "quarn/ledger/CDebtGL.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ParamChecks.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/ledger/ChartChoice.hpp"
#include "quarn/ledger/frmDebtGLList.hpp"
#include "quarn/ledger/frmOrvCredGL.hpp"
#include "quarn/ledger/frmOrvDebtGL.hpp"
#include "quarn/query/CDebtByDoc.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::DataList;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using Talvex::Data::DataTypeEnum;
using Talvex::Data::Recordset;
using Kind = Talvex::FieldType;
using Op = Talvex::SqlOperator;

namespace {

// The client's market group's payment term; 0 for a client without a group.
constexpr const char* kPayTerm = "CASE WHEN MG.PayTerm IS NOT NULL THEN MG.PayTerm ELSE 0 END";

// A posting's side that touches the account (or an account under it) for the client: its
// effect on the client's balance, debit plus, credit minus.
constexpr const char* kPostingSaldo = "CASE WHEN An.IsDebet = 1 THEN oTable.SumAcc ELSE -oTable.SumAcc END";
constexpr const char* kPostingAccount =
    "CASE WHEN An.IsDebet = 1 THEN oTable.DebetAccCode ELSE oTable.CreditAccCode END";

std::string TextOf(const Recordset& rs, std::size_t row, std::size_t field)
{
    const Value& v = rs.StoredValue(row, field);
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

Currency MoneyOf(const Recordset& rs, std::size_t row, std::size_t field)
{
    const Value& v = rs.StoredValue(row, field);
    return v.IsNull() || v.IsEmpty() ? Currency() : v.ToCurrency();
}

std::string Equal(const std::string& expression, const std::string& code)
{
    return SqlTools::CondByName(expression, Kind::kCode, Op::kEqual, Value(code));
}

} // namespace

bool CDebtGL::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        book_ = GetBook(&inParams, false);
        if (!ReadParameters(inParams, outParams)) return false;
        Fill(book_, parameters_);
        auto result = ResultList();
        outParams.Add("DataList", Kind::kObject, Value(std::shared_ptr<Talvex::Object>(result)));
        if (Visual() && result->RecordCount() == 0) {
            TellInSession("No client has a balance on account " + parameters_.account + " or open documents on " +
                          parameters_.endDate.ToIso() + ".");
        } else if (Visual()) {
            // The grid with its drill-down; the list goes back to the host once it is closed.
            frmDebtGLList list(*this, result->Clone());
            list.Run();
        }
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

bool CDebtGL::ReadParameters(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    const GLDebtMode mode = outParams.ExistsField("Credit") ? GLDebtMode::Credit : GLDebtMode::Debt;
    if (Visual()) {
        std::unique_ptr<frmOrvDebtGL> form;
        if (mode == GLDebtMode::Credit)
            form = std::make_unique<frmOrvCredGL>();
        else
            form = std::make_unique<frmOrvDebtGL>();
        if (!form->Init(book_, outParams)) return false;
    }
    const Value endDate = GivenParam(inParams, outParams, "EndDate");
    if (!endDate.IsDate()) throw Talvex::ValueError("EndDate: the report date is not given");
    const Value accSet = GivenCode(inParams, outParams, "AccSet", "the account set");
    const Value account = GivenCode(inParams, outParams, "Account", "the account");
    // The contract's parameters, declared where the caller left them out.
    DeclareParam(outParams, "MyPlant", Kind::kLongText, book_->Setting("MyPlant"));
    DeclareParam(outParams, "EndDate", Kind::kDate, endDate);
    DeclareParam(outParams, "AccSet", Kind::kCode, accSet);
    DeclareParam(outParams, "Account", Kind::kCode, account);
    parameters_ = Parameters{endDate.ToDate(), accSet.ToText(), account.ToText(), mode};
    return true;
}

// ---- fetch

std::shared_ptr<DataList> CDebtGL::ClientList(Talvex::Book& book)
{
    auto clients = book.CreateList("REFClient");
    clients->Fields().SelectFields({"Code", "Name"});
    clients->SetFilter("oTable.IsGroup = 0");
    clients->OrderBy("oTable.Name, oTable.Code");
    return clients;
}

std::shared_ptr<DataList> CDebtGL::LedgerList(Talvex::Book& book, const Parameters& parameters)
{
    auto gl = book.CreateList("GLAnalytStatement");
    gl->SetAlias("GL");
    gl->Params().Item("DateFrom").SetValue(Value(parameters.endDate));
    gl->Params().Item("DateTo").SetValue(Value(parameters.endDate));
    gl->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd, {Equal("GL.AccSetCode", parameters.accSet), Equal("GL.Code", parameters.account)}));
    gl->Fields().SelectFields({"AnalytObjectCode", "OutcomeSaldo"});
    return gl;
}

std::shared_ptr<DataList> CDebtGL::DocumentList(const std::shared_ptr<Talvex::Book>& book, const Parameters& parameters)
{
    CDebtByDoc debt;
    debt.Init(book);
    const long direction = static_cast<long>(parameters.mode);
    std::shared_ptr<DataList> list;
    if (parameters.mode == GLDebtMode::Debt) {
        list = debt.DebtByClient_NeedPayDate(direction, parameters.endDate, true);
    } else {
        list = debt.CrSelByClient2("", direction, Date(), parameters.endDate, Date());
        auto client = book->CreateList("REFClient");
        client->Fields().SelectFields({});
        auto group = book->CreateList("REFClientMarketGr");
        group->Fields().SelectFields({});
        list->Join(client, "RC", "RC.Code = Party.PartyCode");
        list->Join(group, "MG", "RC.MarketGrCode = MG.Code", 1);
        list->Fields().AddField("PayTerm", Kind::kInteger, kPayTerm);
    }
    list->OrderBy("");
    return list;
}

void CDebtGL::Fill(std::shared_ptr<Talvex::Book> book, const Parameters& parameters)
{
    if (!book) throw Talvex::ValueError("CDebtGL: no Book to read the ledger from");
    book_ = std::move(book);
    parameters_ = parameters;

    auto clientList = ClientList(*book_);
    clientList->Refresh();
    auto clientRs = clientList->Recordset();
    std::vector<GLClient> clients;
    {
        const std::size_t code = clientRs->Fields().Item("Code").Index();
        const std::size_t name = clientRs->Fields().Item("Name").Index();
        for (std::size_t row : clientRs->ViewRows())
            clients.push_back({TextOf(*clientRs, row, code), TextOf(*clientRs, row, name)});
    }

    auto ledgerList = LedgerList(*book_, parameters_);
    ledgerList->Refresh();
    auto ledgerRs = ledgerList->Recordset();
    std::map<std::string, Currency, std::less<>> saldo;
    {
        const std::size_t object = ledgerRs->Fields().Item("AnalytObjectCode").Index();
        const std::size_t outcome = ledgerRs->Fields().Item("OutcomeSaldo").Index();
        for (std::size_t row : ledgerRs->ViewRows())
            saldo[TextOf(*ledgerRs, row, object)] += MoneyOf(*ledgerRs, row, outcome);
    }

    auto documentList = DocumentList(book_, parameters_);
    documentList->Refresh();
    auto docRs = documentList->Recordset();
    std::vector<GLOpenDocument> documents;
    {
        auto index = [&](const char* name) { return docRs->Fields().Item(name).Index(); };
        const std::size_t client = index("Client"), idc = index("IDC"), type = index("DocTypeCode"),
                          number = index("Number"), date = index("DocumentDate"), sum = index("AccNeedPaySum");
        const bool credit = parameters_.mode == GLDebtMode::Credit;
        const std::size_t payTerm = credit ? index("PayTerm") : 0;
        documents.reserve(docRs->ViewRows().size());
        for (std::size_t row : docRs->ViewRows()) {
            GLOpenDocument doc;
            doc.client = TextOf(*docRs, row, client);
            const Value& id = docRs->StoredValue(row, idc);
            doc.idc = id.IsNull() ? 0 : id.ToInteger();
            doc.docTypeCode = TextOf(*docRs, row, type);
            doc.number = TextOf(*docRs, row, number);
            const Value& d = docRs->StoredValue(row, date);
            if (!d.IsNull()) doc.documentDate = d.ToDate();
            doc.accNeedPaySum = MoneyOf(*docRs, row, sum);
            if (credit) {
                const Value& term = docRs->StoredValue(row, payTerm);
                doc.payTerm = term.IsNull() ? 0 : static_cast<long>(term.ToInteger());
            }
            documents.push_back(std::move(doc));
        }
    }
    fill_ =
        std::make_unique<DebtGLFill>(std::move(clients), std::move(saldo), std::move(documents), parameters_.endDate);
}

const DebtGLFill& CDebtGL::Result() const
{
    if (!fill_) throw Talvex::ValueError("CDebtGL: the report has not been filled");
    return *fill_;
}

// ---- show

std::shared_ptr<Recordset> CDebtGL::ResultList() const
{
    const DebtGLFill& fill = Result();
    auto rs = std::make_shared<Recordset>();
    auto& f = rs->Fields();
    f.Append("ClientName", DataTypeEnum::VarChar, 250);
    if (parameters_.mode == GLDebtMode::Debt) {
        f.Append("TotNeedPaySum", DataTypeEnum::Currency);
        for (std::string_view column : kAgeBucketColumns)
            f.Append(std::string(column), DataTypeEnum::Currency);
        f.Append("Code", DataTypeEnum::VarChar, 20);
        f.Append("OutcomeSaldo", DataTypeEnum::Currency);
        f.Append("Difference", DataTypeEnum::Currency);
        rs->Open();
        for (const DebtGLRow& row : fill.DebtRows()) {
            rs->AddNew();
            f.Item("ClientName").SetValue(Value(row.clientName));
            f.Item("TotNeedPaySum").SetValue(Value(row.totNeedPaySum));
            for (std::size_t b = 0; b < kAgeBucketCount; ++b)
                f.Item(kAgeBucketColumns[b]).SetValue(Value(row.buckets[b]));
            f.Item("Code").SetValue(Value(row.clientCode));
            f.Item("OutcomeSaldo").SetValue(Value(row.ledgerSaldo));
            f.Item("Difference").SetValue(Value(row.difference));
            rs->Update();
        }
    } else {
        f.Append("DocMonth", DataTypeEnum::VarChar, 10);
        f.Append("AccNeedPaySum", DataTypeEnum::Currency);
        f.Append("PayTerm", DataTypeEnum::Integer);
        f.Append("Difference", DataTypeEnum::Currency);
        f.Append("Code", DataTypeEnum::VarChar, 20);
        rs->Open();
        for (const CredGLRow& row : fill.CreditRows()) {
            rs->AddNew();
            f.Item("ClientName").SetValue(Value(row.clientName));
            f.Item("DocMonth").SetValue(Value(row.docMonth));
            f.Item("AccNeedPaySum").SetValue(Value(row.accNeedPaySum));
            f.Item("PayTerm").SetValue(Value(static_cast<std::int64_t>(row.payTerm)));
            f.Item("Difference").SetValue(Value(row.difference));
            f.Item("Code").SetValue(Value(row.clientCode));
            rs->Update();
        }
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

// ---- drill-down

std::shared_ptr<Recordset> CDebtGL::ClientDocuments(const std::string& client, const std::string& column,
                                                    const std::string& docMonth) const
{
    const DebtGLFill& fill = Result();
    auto rs = std::make_shared<Recordset>();
    auto& f = rs->Fields();
    f.Append("IDC", DataTypeEnum::Integer);
    f.Append("DocTypeCode", DataTypeEnum::VarChar, 10);
    f.Append("Number", DataTypeEnum::VarChar, 40);
    f.Append("DocumentDate", DataTypeEnum::Date);
    f.Append("AccNeedPaySum", DataTypeEnum::Currency);
    rs->Open();
    for (std::size_t i : fill.DocumentsBehind(client, column, docMonth)) {
        const GLOpenDocument& doc = fill.Documents()[i];
        rs->AddNew();
        f.Item("IDC").SetValue(Value(doc.idc));
        f.Item("DocTypeCode").SetValue(Value(doc.docTypeCode));
        f.Item("Number").SetValue(Value(doc.number));
        f.Item("DocumentDate").SetValue(Value(doc.documentDate));
        f.Item("AccNeedPaySum").SetValue(Value(doc.accNeedPaySum));
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

std::shared_ptr<DataList> CDebtGL::ClientPostings(const std::string& client) const
{
    if (!book_) throw Talvex::ValueError("CDebtGL: the report has not been filled");
    auto posts = book_->CreateList("GLAccountPost");
    posts->Fields().SelectFields({"IDC", "DatePost", "DebetAccCode", "CreditAccCode", "DocId", "Comment"});
    auto sides = book_->CreateList("GLAnalytPost");
    sides->Fields().SelectFields({});
    auto tree = book_->CreateList("GLAccountParent");
    tree->Fields().SelectFields({});
    posts->Join(sides, "An", "An.AccPostID = oTable.IDC AND " + Equal("An.AnalytObjectCode", client));
    posts->Join(tree, "T",
                std::string("T.AccSetCode = oTable.AccSetCode AND T.Code = ") + kPostingAccount + " AND " +
                    Equal("T.Parent", parameters_.account));
    posts->Fields().AddField("Saldo", Kind::kAmount, kPostingSaldo);
    posts->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {Equal("oTable.AccSetCode", parameters_.accSet), "oTable.IsPosted = 1",
         SqlTools::CondByName("oTable.DatePost", Kind::kDate, Op::kNotGreater, Value(parameters_.endDate))}));
    posts->OrderBy("oTable.DatePost, oTable.IDC");
    return posts;
}

} // namespace Quarn_DuzAde
