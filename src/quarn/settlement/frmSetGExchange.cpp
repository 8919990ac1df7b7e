#include "quarn/settlement/frmSetGExchange.hpp"

#include "host/data/Recordset.hpp"
#include "host/erp/documents/CExchangeDoc.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ParamChecks.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/query/CDebtByDoc.hpp"
#include "quarn/query/CSelectByDoc.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;
using Op = Talvex::SqlOperator;
using enum Talvex::FieldType;

namespace {

constexpr const char* kExchangeType = "BUSM";
constexpr long kCaptionCode = 1583;
constexpr long kCaptionName = 1584;
constexpr long kCaptionDebtIncom = 1585;
constexpr long kCaptionDebtOutcome = 1586;
constexpr long kCaptionCurrency = 1587;
constexpr long kCaptionDocument = 1588;
constexpr long kCaptionDocumentId = 1589;

SettlementBatchForm::Layout ExchangeLayout()
{
    using enum SettlementBatchForm::ColumnKind;
    return {{{frmSetGExchange::kCode, kCaptionCode, Text, 20},
             {frmSetGExchange::kName, kCaptionName, Text, 200},
             {frmSetGExchange::kDebtIncom, kCaptionDebtIncom, Money},
             {frmSetGExchange::kDebtOutcome, kCaptionDebtOutcome, Money},
             {frmSetGExchange::kCurrencyCode, kCaptionCurrency, Text, 10},
             {frmSetGExchange::kDoc, kCaptionDocument, Text, 40},
             {frmSetGExchange::kDocID, kCaptionDocumentId, Id}},
            frmSetGExchange::kCode,
            frmSetGExchange::kDoc,
            frmSetGExchange::kDocID};
}

std::string ExchangeOf(const std::string& client)
{
    return "Exchange-difference document of client \"" + client + "\" not written: ";
}

} // namespace

frmSetGExchange::frmSetGExchange() : SettlementBatchForm("frmSetGExchange", "Exchange differences", ExchangeLayout())
{
    Add(ControlKind::Label, "lblPeriod", "Period");
    Add(ControlKind::DateBox, "edDateBeg", "From");
    Add(ControlKind::DateBox, "edDateEnd", "To");
    AddListControls();
}

frmSetGExchange::~frmSetGExchange() = default;

bool frmSetGExchange::Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param)
{
    try {
        InitBase(a_BaseDialog, Param, kExchangeType);
        exchange_ = std::make_unique<Talvex::Erp::CExchangeDoc>(book_);
        // The month so far, unless the caller gives the period.
        const Date today = book_->Today();
        Ctl("edDateBeg").SetValue(Param.ExistsField("DateBeg") ? Param.Item("DateBeg").GetValue()
                                                               : Value(Date(today.Year(), today.Month(), 1)));
        Ctl("edDateEnd").SetValue(Param.ExistsField("DateEnd") ? Param.Item("DateEnd").GetValue() : Value(today));
        return true;
    } catch (...) {
        ReportError();
        return false;
    }
}

std::shared_ptr<Talvex::DataList> frmSetGExchange::CreateDebtList(std::shared_ptr<Talvex::Book> book, Date dateBeg,
                                                                  Date dateEnd)
{
    if (!book) throw Talvex::ValueError("frmSetGExchange: no Book");
    CSelectByDoc selection;
    selection.Init(book);
    auto list = selection.NeedPayedDocList(CDebtByDoc::DocTypesByDirection(0), dateBeg, dateEnd, Date{}, "", "",
                                           true);
    // By client, so that the list's rows come in the order of their codes.
    list->OrderBy("Party.PartyCode");
    const std::string prefix = list->Alias() + ".";
    // Foreign currencies only: a debt in the account currency has no exchange difference.
    list->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {list->Filter(),
         SqlTools::CondByName(prefix + "CurrencyCode", Talvex::FieldType::kCode, Op::kNotEqual, Value(book->AccountCurrency()))}));

    auto docType = book->CreateList("THDocType");
    docType->Fields().SelectFields({});
    list->Join(docType, "DocType", "oTable.DocTypeCode = DocType.Code");
    auto client = book->CreateList("REFClient");
    client->Fields().SelectFields({});
    list->Join(client, "Cl", "Party.PartyCode = Cl.Code");

    Talvex::RateJoin rates;
    rates.Init(book, "Cros", "Rate");
    rates.JoinRates(*list, "DocumentDate", "CurrencyCode");
    list->Fields().SelectFields({"DocTypeCode", "CurrencyCode", "Client"});
    list->Fields().AddField("Name", kLongText, "Cl.Name");
    list->Fields().AddField("IsIncome", kFlag, "DocType.IsIncome");
    list->Fields().AddField("AccDebt", kAmount, rates.ConvertExpr("CurrencyCode", prefix + "DebtSumma"));
    return list;
}

std::vector<ExchangeDebtTerm> frmSetGExchange::ReadDebtTerms(Talvex::DataList& list)
{
    std::vector<ExchangeDebtTerm> terms;
    auto rs = list.Recordset();
    if (rs->RecordCount() == 0) return terms;
    auto& f = rs->Fields();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const Value accDebt = f.Item("AccDebt").Value();
        // A document without a rate of its date cannot be valued: naming it beats a wrong sum.
        if (accDebt.IsNull())
            throw Talvex::ValueError("a " + f.Item("DocTypeCode").Value().ToText() + " document in " +
                                     f.Item("CurrencyCode").Value().ToText() + " of client \"" +
                                     f.Item("Client").Value().ToText() + "\" has no rate of its date");
        const Value name = f.Item("Name").Value();
        terms.push_back({f.Item("Client").Value().ToText(), name.IsNull() ? std::string() : name.ToText(),
                         f.Item("DocTypeCode").Value().ToText(), f.Item("IsIncome").Value().ToInteger() == 1,
                         accDebt.ToCurrency()});
    }
    return terms;
}

void frmSetGExchange::ReadList()
{
    // Checked before anything is read, so that a refused period leaves the list as it was.
    CubeParamInput::CheckPeriod(*this, "edDateBeg", "edDateEnd");
    const Date dateBeg = Ctl("edDateBeg").GetValue().ToDate();
    const Date dateEnd = Ctl("edDateEnd").GetValue().ToDate();

    auto list = CreateDebtList(book_, dateBeg, dateEnd);
    long ownerHwnd = -1;
    RefreshWithWait(*list, ownerHwnd);
    if (!list->IsFilled()) return;

    auto rows = NewRows();
    for (const auto& client : ExchangeClients(ReadDebtTerms(*list), accountCurrency_)) {
        std::string doc;
        std::int64_t docId = 0;
        // A document booked for the client and period before is the row's, so that a second
        // run neither books it again nor loses sight of it.
        if (auto found = exchange_->FindDocument(client.code, dateEnd, dateBeg, dateEnd)) {
            docId = found->first;
            doc = found->second;
        }
        rows->AddRow({Value(client.code), Value(client.name), Value(client.debtIncom), Value(client.debtOutcome),
                      Value(client.currencyCode), Value(doc), Value(docId)});
    }
    const bool nothing = rows->RowCount() == 0;
    rowsBeg_ = dateBeg;
    rowsEnd_ = dateEnd;
    ShowNew(std::move(rows));
    if (nothing) SayNothingToShow();
}

std::optional<std::pair<std::int64_t, std::string>> frmSetGExchange::OpenDocument(std::int64_t idc)
{
    Talvex::Ui::DocumentOpener opener;
    opener.Open(kExchangeType, idc);
    if (!exchange_->THDoc().DocById(idc)) return std::nullopt;
    return std::pair{exchange_->Doc().IDC(), exchange_->Doc().Fields("Code").ToText()};
}

bool frmSetGExchange::WriteDocument(std::size_t row)
{
    const auto& rows = Rows();
    const std::string client = rows.Get(row, kCode).ToText();
    bool written = false;
    std::int64_t idc = 0;
    std::string code;
    try {
        const bool isKredit =
            ExchangeIsKredit(rows.Get(row, kDebtIncom).ToCurrency(), rows.Get(row, kDebtOutcome).ToCurrency());
        written = exchange_->Create(client, isKredit, rows.Get(row, kCurrencyCode).ToText(), rowsEnd_, rowsBeg_,
                                    rowsEnd_);
        if (written) {
            idc = exchange_->Doc().IDC();
            code = exchange_->Doc().Fields("Code").ToText();
        } else if (auto found = exchange_->FindDocument(client, rowsEnd_, rowsBeg_, rowsEnd_)) {
            // Nothing left to book: another run has booked the period for the client already.
            idc = found->first;
            code = found->second;
        }
    } catch (const Talvex::DatabaseError& e) {
        throw Talvex::DatabaseError(ExchangeOf(client) + e.what());
    } catch (const std::exception& e) {
        throw Talvex::ValueError(ExchangeOf(client) + e.what());
    }
    SetDocument(row, idc, code);
    return written;
}

bool frmSetGExchange::DeleteDocument(std::int64_t idc)
{
    return exchange_->THDoc().DocById(idc) && exchange_->THDoc().DeleteDoc();
}

} // namespace Quarn_DuzAde
