#include "quarn/settlement/frmSetGExchange.hpp"

#include "host/data/Recordset.hpp"
#include "host/erp/documents/CExchangeDoc.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/ProgressRunner.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"
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
constexpr const char* kList = "grdList";
constexpr const char* kMoneyFormat = "#,##0.00";

// Numbered texts of the form.
constexpr long kTipCreate = 1544;
constexpr long kTipEdit = 1545;
constexpr long kTipDelete = 1546;
constexpr long kMenuCreate = 1547;
constexpr long kMenuEdit = 1548;
constexpr long kMenuDelete = 1549;
constexpr long kDocumentsCreated = 1555;
constexpr long kCreatingDocuments = 1556;
constexpr long kDeletingDocuments = 1557;
constexpr long kCaptionCode = 1583;
constexpr long kCaptionName = 1584;
constexpr long kCaptionDebtIncom = 1585;
constexpr long kCaptionDebtOutcome = 1586;
constexpr long kCaptionCurrency = 1587;
constexpr long kCaptionDocument = 1588;
constexpr long kCaptionDocumentId = 1589;
constexpr long kNothingToShow = 28650;

std::string Text(long id)
{
    return ModuleFormRes().GetString(id);
}

std::vector<std::string> Columns()
{
    return {frmSetGExchange::kCode,         frmSetGExchange::kName, frmSetGExchange::kDebtIncom,
            frmSetGExchange::kDebtOutcome,  frmSetGExchange::kCurrencyCode, frmSetGExchange::kDoc,
            frmSetGExchange::kDocID};
}

std::string ExchangeOf(const std::string& client)
{
    return "Exchange-difference document of client \"" + client + "\" not written: ";
}

} // namespace

frmSetGExchange::frmSetGExchange() : Form("frmSetGExchange", "Exchange differences")
{
    Add(ControlKind::Label, "lblPeriod", "Period");
    Add(ControlKind::DateBox, "edDateBeg", "From");
    Add(ControlKind::DateBox, "edDateEnd", "To");
    Add(ControlKind::Button, "btApplay", "Pritaikyti");
    Add(ControlKind::Button, "btCreateDocList", Text(kMenuCreate)).SetToolTip(Text(kTipCreate));
    Add(ControlKind::Button, "btEditDoc", Text(kMenuEdit)).SetToolTip(Text(kTipEdit));
    Add(ControlKind::Button, "btDeleteDoc", Text(kMenuDelete)).SetToolTip(Text(kTipDelete));
    Add(ControlKind::Button, "btUsePrint", "Print").SetToolTip("Print the list");
    auto& list = AddLocalList(kList);
    list.AddMenuItem("CreateDoc", Text(kMenuCreate));
    list.AddMenuItem("EditDoc", Text(kMenuEdit));
    list.AddMenuItem("DeleteDoc", Text(kMenuDelete));
    rows_ = std::make_shared<Talvex::Ui::TableRowSource>(Columns());
    list.SetRowSource(rows_);

    On("Form", "Load", [this](EventArgs&) { Form_Load(); });
    On("btApplay", "Click", [this](EventArgs&) { btApplay_Click(); });
    On("btCreateDocList", "Click", [this](EventArgs&) { btCreateDocList_Click(); });
    On("btEditDoc", "Click", [this](EventArgs&) { btEditDoc_Click(); });
    On("btDeleteDoc", "Click", [this](EventArgs&) { btDeleteDoc_Click(); });
    On("btUsePrint", "Click", [this](EventArgs&) { btUsePrint_Click(); });
    // The rows come from the form's own list; the host list itself brings none.
    On(kList, "OnRefresh", [](EventArgs& args) { args.filter = "oTable.IDC = 0"; });
    On(kList, "OnAddFields", [this](EventArgs&) { grdList_OnAddFields(); });
    On(kList, "OnAddColumn", [this](EventArgs& args) { grdList_OnAddColumn(args); });
    On(kList, "AfterRefresh", [this](EventArgs&) { grdList_AfterRefresh(); });
    On(kList, "OnRunMDICommand", [this](EventArgs& args) { grdList_OnRunMDICommand(args.key); });
}

frmSetGExchange::~frmSetGExchange() = default;

bool frmSetGExchange::Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param)
{
    try {
        baseDialog_ = &a_BaseDialog;
        book_ = GetBook(&Param, false);
        exchange_ = std::make_unique<Talvex::Erp::CExchangeDoc>(book_);
        accountCurrency_ = book_->AccountCurrency();
        // The month so far, unless the caller gives the period.
        const Date today = book_->Today();
        Ctl("edDateBeg").SetValue(Param.ExistsField("DateBeg") ? Param.Item("DateBeg").GetValue()
                                                               : Value(Date(today.Year(), today.Month(), 1)));
        Ctl("edDateEnd").SetValue(Param.ExistsField("DateEnd") ? Param.Item("DateEnd").GetValue() : Value(today));

        auto types = book_->CreateList("THDocType");
        types->Fields().SelectFields({"Name"});
        types->SetFilter(SqlTools::CondByField(types->Fields().Item("Code"), Op::kEqual, Value(std::string(kExchangeType))));
        types->Refresh();
        auto rs = types->Recordset();
        docTypeName_ =
            rs->RecordCount() > 0 ? rs->Fields().Item("Name").Value().ToText() : std::string(kExchangeType);
        return true;
    } catch (...) {
        ReportError();
        return false;
    }
}

void frmSetGExchange::Form_Load()
{
    try {
        // The list stays empty until the user applies a period.
        ShowRows("");
    } catch (...) {
        ReportError();
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

void frmSetGExchange::btApplay_Click()
{
    try {
        ReadList();
    } catch (...) {
        ReportError();
    }
}

void frmSetGExchange::ReadList()
{
    if (!book_) throw Talvex::ValueError("frmSetGExchange: Init was not called");
    // Checked before anything is read, so that a refused period leaves the list as it was.
    CubeParamInput::CheckPeriod(*this, "edDateBeg", "edDateEnd");
    const Date dateBeg = Ctl("edDateBeg").GetValue().ToDate();
    const Date dateEnd = Ctl("edDateEnd").GetValue().ToDate();

    auto list = CreateDebtList(book_, dateBeg, dateEnd);
    long ownerHwnd = -1;
    RefreshWithWait(*list, ownerHwnd);
    if (!list->IsFilled()) return;

    auto rows = std::make_shared<Talvex::Ui::TableRowSource>(Columns());
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
    rows_ = std::move(rows);
    rowsBeg_ = dateBeg;
    rowsEnd_ = dateEnd;
    ListCtl(kList).SetRowSource(rows_);
    ShowRows("");
    if (rows_->RowCount() == 0) Talvex::Ui::MessageBox().ShowSingle(Text(kNothingToShow), "Gerai");
}

void frmSetGExchange::ShowRows(const std::string& currentCode)
{
    auto& list = ListCtl(kList);
    list.Refresh();
    if (currentCode.empty()) return;
    for (long gridRow = 0; gridRow < static_cast<long>(list.RowCount()); ++gridRow)
        if (list.Cell(static_cast<std::size_t>(gridRow), kCode).ToText() == currentCode) {
            list.SetCurrentRow(gridRow);
            break;
        }
}

void frmSetGExchange::grdList_OnAddFields()
{
    auto& list = ListCtl(kList);
    list.DeclareField(kCode, Text(kCaptionCode));
    list.DeclareField(kName, Text(kCaptionName));
    list.DeclareField(kDebtIncom, Text(kCaptionDebtIncom), kMoneyFormat);
    list.DeclareField(kDebtOutcome, Text(kCaptionDebtOutcome), kMoneyFormat);
    list.DeclareField(kCurrencyCode, Text(kCaptionCurrency));
    list.DeclareField(kDoc, Text(kCaptionDocument));
    list.DeclareField(kDocID, Text(kCaptionDocumentId), "", false);
}

void frmSetGExchange::grdList_OnAddColumn(EventArgs& args)
{
    if (args.gridColumn && (args.gridColumn->name == kDebtIncom || args.gridColumn->name == kDebtOutcome))
        args.gridColumn->alignment = Talvex::Ui::Alignment::Right;
}

void frmSetGExchange::grdList_AfterRefresh()
{
    const bool hasRows = ListCtl(kList).RowCount() > 0;
    for (const char* button : {"btCreateDocList", "btEditDoc", "btDeleteDoc", "btUsePrint"})
        Ctl(button).SetEnabled(hasRows);
}

void frmSetGExchange::grdList_OnRunMDICommand(const std::string& key)
{
    if (key == "CreateDoc")
        btCreateDocList_Click();
    else if (key == "EditDoc")
        btEditDoc_Click();
    else if (key == "DeleteDoc")
        btDeleteDoc_Click();
}

std::string frmSetGExchange::CurrentCode() const
{
    const auto& list = ListCtl(kList);
    if (list.CurrentRow() < 0 || static_cast<std::size_t>(list.CurrentRow()) >= list.RowCount()) return "";
    return list.Cell(static_cast<std::size_t>(list.CurrentRow()), kCode).ToText();
}

void frmSetGExchange::btCreateDocList_Click()
{
    try {
        if (rows_->RowCount() == 0) return;
        documentsWritten_ = 0;
        RunProcess(ProcessMode::Create);
        Talvex::Ui::MessageBox().ShowSingle(
            FormatMsg(Text(kDocumentsCreated), {Value(docTypeName_), Value(std::int64_t{documentsWritten_})}), "Gerai");
    } catch (...) {
        ReportError();
    }
}

void frmSetGExchange::btDeleteDoc_Click()
{
    try {
        selectedGridRows_ = ListCtl(kList).SelectedRows();
        if (selectedGridRows_.empty()) return;
        RunProcess(ProcessMode::Delete);
    } catch (...) {
        ReportError();
    }
}

void frmSetGExchange::btUsePrint_Click()
{
    if (rows_->RowCount() == 0) return;
    printRequested_ = true;
    Hide();
}

std::shared_ptr<Talvex::Data::Recordset> frmSetGExchange::PrintList() const
{
    using Talvex::Data::DataTypeEnum;
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    rs->Fields().Append(kCode, DataTypeEnum::VarChar, 20);
    rs->Fields().Append(kName, DataTypeEnum::VarChar, 200);
    rs->Fields().Append(kDebtIncom, DataTypeEnum::Currency);
    rs->Fields().Append(kDebtOutcome, DataTypeEnum::Currency);
    rs->Fields().Append(kCurrencyCode, DataTypeEnum::VarChar, 10);
    rs->Fields().Append(kDoc, DataTypeEnum::VarChar, 40);
    rs->Open();
    for (std::size_t row = 0; row < rows_->RowCount(); ++row) {
        rs->AddNew();
        for (const char* column : {kCode, kName, kDebtIncom, kDebtOutcome, kCurrencyCode, kDoc})
            rs->Fields().Item(column).SetValue(rows_->Get(row, column));
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

void frmSetGExchange::btEditDoc_Click()
{
    try {
        auto& list = ListCtl(kList);
        const long current = list.CurrentRow();
        if (current < 0 || rows_->RowCount() == 0) return;
        const std::size_t row = RowOfGridRow(current);
        if (rows_->Get(row, kDocID).ToInteger() == 0) WriteDocument(row);
        const std::int64_t idc = rows_->Get(row, kDocID).ToInteger();
        if (idc == 0) return;

        Talvex::Ui::DocumentOpener opener;
        opener.Open(kExchangeType, idc);
        // The window may have changed the number or deleted the document.
        if (exchange_->THDoc().DocById(idc)) {
            rows_->Set(row, kDoc, exchange_->Doc().Fields("Code"));
            rows_->Set(row, kDocID, Value(exchange_->Doc().IDC()));
        } else {
            rows_->Set(row, kDoc, Value(std::string()));
            rows_->Set(row, kDocID, Value(std::int64_t{0}));
        }
        ShowRows(rows_->Get(row, kCode).ToText());
    } catch (...) {
        ReportError();
    }
}

void frmSetGExchange::RunProcess(ProcessMode mode)
{
    const std::string current = CurrentCode();
    mode_ = mode;
    Talvex::Ui::ProgressRunner().Run(*this);
    ShowRows(current);
}

std::string frmSetGExchange::Caption()
{
    return Text(mode_ == ProcessMode::Create ? kCreatingDocuments : kDeletingDocuments);
}

long frmSetGExchange::CountStep()
{
    return static_cast<long>(mode_ == ProcessMode::Create ? rows_->RowCount() : selectedGridRows_.size());
}

bool frmSetGExchange::Step(long index)
{
    return mode_ == ProcessMode::Create ? CreateStep(index) : DeleteStep(index);
}

bool frmSetGExchange::CreateStep(long index)
{
    if (index < 1 || static_cast<std::size_t>(index) > rows_->RowCount()) return false;
    const auto row = static_cast<std::size_t>(index - 1);
    if (rows_->Get(row, kDocID).ToInteger() != 0) return true;
    try {
        if (WriteDocument(row)) ++documentsWritten_;
    } catch (...) {
        // The client's unit of work is undone; the run goes on with the next client.
        ReportError();
    }
    return true;
}

bool frmSetGExchange::WriteDocument(std::size_t row)
{
    const std::string client = rows_->Get(row, kCode).ToText();
    bool written = false;
    std::int64_t idc = 0;
    std::string code;
    try {
        const bool isKredit =
            ExchangeIsKredit(rows_->Get(row, kDebtIncom).ToCurrency(), rows_->Get(row, kDebtOutcome).ToCurrency());
        written = exchange_->Create(client, isKredit, rows_->Get(row, kCurrencyCode).ToText(), rowsEnd_, rowsBeg_,
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
    rows_->Set(row, kDoc, Value(code));
    rows_->Set(row, kDocID, Value(idc));
    return written;
}

bool frmSetGExchange::DeleteStep(long index)
{
    if (index < 1 || static_cast<std::size_t>(index) > selectedGridRows_.size()) return false;
    try {
        const std::size_t row = RowOfGridRow(selectedGridRows_[static_cast<std::size_t>(index - 1)]);
        const std::int64_t idc = rows_->Get(row, kDocID).ToInteger();
        if (idc == 0) return true;
        // A posted document, or one no longer there, leaves the row as it is.
        if (exchange_->THDoc().DocById(idc) && exchange_->THDoc().DeleteDoc()) {
            rows_->Set(row, kDoc, Value(std::string()));
            rows_->Set(row, kDocID, Value(std::int64_t{0}));
        }
    } catch (...) {
        ReportError();
    }
    return true;
}

std::size_t frmSetGExchange::RowOfCode(const std::string& code) const
{
    for (std::size_t row = 0; row < rows_->RowCount(); ++row)
        if (rows_->Get(row, kCode).ToText() == code) return row;
    throw Talvex::ValueError("frmSetGExchange: the list has no client \"" + code + "\"");
}

std::size_t frmSetGExchange::RowOfGridRow(long gridRow) const
{
    // The grid may have been sorted: its rows are found by their client.
    const auto& list = ListCtl(kList);
    if (gridRow < 0 || static_cast<std::size_t>(gridRow) >= list.RowCount())
        throw Talvex::ValueError("frmSetGExchange: the list has no row " + std::to_string(gridRow + 1));
    return RowOfCode(list.Cell(static_cast<std::size_t>(gridRow), kCode).ToText());
}

} // namespace Quarn_DuzAde
