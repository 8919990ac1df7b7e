#include "quarn/cube/RDebtOfClients.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DateFunctions.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/objects/ReferenceCard.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/PrintService.hpp"
#include "host/ui/Session.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

#include <map>

namespace Quarn_DuzAde {

using Talvex::FieldList;
using Talvex::Value;
using FieldType = Talvex::FieldType;
using namespace Talvex::Cube;

namespace {

constexpr long kClientsFrameText = 21810;
constexpr long kVendorsFrameText = 28162;
constexpr long kDocumentsText = 21811;
constexpr long kFirstLetterText = 21812;
constexpr long kClientCardText = 21816;
constexpr long kDepartmentText = 21817;
constexpr long kPersonText = 21818;
constexpr long kClientText = 21819;
constexpr long kDueText = 21820;
constexpr long kDebtText = 21821;
constexpr long kUnlinkedText = 21822;
constexpr long kClientsCaptionText = 21839;
constexpr long kVendorsCaptionText = 28161;
constexpr long kLoadWaitText = 22170;
constexpr long kNothingText = 21844;

constexpr const char* kLetterCode = "R_DebtOfClients";
constexpr const char* kBandButton = "btOverdueBands";

// The company details the letter prints, as the Book's settings hold them.
constexpr const char* kCompanyKeys[] = {
    "Imone",     "ImKodas",   "PVMCode",      "ImAdresas", "Telefon",      "Fax",        "EMail",     "WWW",
    "RegNumber", "KSVPerson", "KSVPersonPos", "AccPerson", "AccPersonPos", "BuhTelefon", "BuhFax",    "Dir",
    "DirPos",    "Buh",       "BuhPos",       "BankCode",  "BankName",     "AccNumber",  "OurAccount"};

std::string Res(long id)
{
    return ModuleFormRes().GetString(id);
}

void RegisterLetterLayout()
{
    auto& layouts = Talvex::Ui::ReportLayouts::Host();
    if (layouts.Has(kLetterCode)) return;
    layouts.Register(Talvex::Ui::ReportLayout{kLetterCode,
                                              "Debt letter",
                                              {{"Imone", "From", ""},
                                               {"ImAdresas", "Address", ""},
                                               {"ClientName", "To", ""},
                                               {"ClientAddress", "Address", ""},
                                               {"RepDate", "Debt on", "yyyy-mm-dd"},
                                               {"Gravity", "Severity", ""},
                                               {"Dir", "Director", ""}},
                                              {{"Number", "Document", "", false},
                                               {"DocDate", "Date", "yyyy-mm-dd", false},
                                               {"DocumentDate", "Due", "yyyy-mm-dd", false},
                                               {"DelayDays", "Days overdue", "#,##0", false},
                                               {"CurrencyCode", "Currency", "", false},
                                               {"NeedPaySum", "Open", "#,##0.00", false},
                                               {"AccNeedPaySum", "Open in our currency", "#,##0.00", true}},
                                              ""});
}

// The attributes (type and caption) of the cube's columns, for the cell filters of the
// drill-down and the letter.
std::shared_ptr<FieldList> FieldsAttr()
{
    auto attrs = std::make_shared<FieldList>();
    auto add = [&](const char* name, FieldType type, const std::string& caption = {}) {
        attrs->Add(name, type).SetCaption(caption.empty() ? std::string(name) : caption);
    };
    add("IDC", FieldType::kId);
    add("DocTypeCode", FieldType::kCode);
    add("Number", FieldType::kCode);
    add("DocumentDate", FieldType::kDate, "Due date");
    add("DocDate", FieldType::kDate, "Document date");
    add("DocSumma", FieldType::kAmount, "Document sum");
    add("CurrencyCode", FieldType::kCode, "Currency");
    add("AccNeedPaySum", FieldType::kAmount, Res(kDebtText));
    add("AccNotLinkPaySum", FieldType::kAmount, Res(kUnlinkedText));
    add("DataPayType", FieldType::kLongText, Res(kDueText));
    add("Department", FieldType::kLongText, Res(kDepartmentText));
    add("Person", FieldType::kLongText, Res(kPersonText));
    add("Client", FieldType::kLongText, Res(kClientText));
    add("ClnCode", FieldType::kCode);
    return attrs;
}

} // namespace

RDebtOfClients::~RDebtOfClients()
{
    if (wrapper_) wrapper_->Terminate();
}

bool RDebtOfClients::Prepare(FieldList& params)
{
    book_ = GetBook(&params, false);
    isBuyDirection_ = false;
    if (params.ExistsField("IsBuyDirection")) {
        const Value& v = params.Item("IsBuyDirection").GetValue();
        isBuyDirection_ = !v.IsNull() && !v.IsEmpty() && v.ToInteger() == 1;
    }
    return book_ != nullptr;
}

void RDebtOfClients::Main(FieldList& params)
{
    try {
        if (!Prepare(params)) return;
        Talvex::OpenCubeForm(shared_from_this(), isBuyDirection_ ? "RDebtOfEntpr" : "RDebtOfClients");
    } catch (...) {
        ReportError();
    }
}

bool RDebtOfClients::Run(FieldList& inParams, FieldList& outParams)
{
    try {
        if (!inParams.ExistsField("Data")) {
            Main(inParams);
            return false;
        }
        FillLetterData(inParams, outParams);
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

void RDebtOfClients::DefineCube(Engine& engine) const
{
    engine.SetActive(false);
    engine.Facts().Clear();
    engine.BaseFacts().Clear();
    engine.Dims().Clear();
    Dims& dims = engine.Dims();
    dims.Add("Department", Res(kDepartmentText));
    if (!isBuyDirection_) dims.Add("Person", Res(kPersonText));
    dims.Add("Client", Res(kClientText));
    dims.Add("DataPayType", Res(kDueText));
    for (auto [name, caption] : {std::pair{"AccNeedPaySum", kDebtText}, {"AccNotLinkPaySum", kUnlinkedText}}) {
        engine.BaseFacts().Add(name);
        engine.Facts().Add(name, Res(caption));
    }
    for (std::size_t i = 0; i < engine.Facts().Count(); ++i)
        engine.Facts().Item(i).FactVisible = true;
    // Departments and their clients down the rows, the bands across.
    dims.Item("Department").MoveTo(Axis::Rows, 0);
    dims.Item("Client").MoveTo(Axis::Rows, 1);
    dims.Item("DataPayType").MoveTo(Axis::Columns, 0);
    if (!isBuyDirection_) dims.Item("Person").MoveTo(Axis::Filter, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RDebtOfClients::CubeCaption(const DebtCubeParams& params) const
{
    std::string selection = params.nClient;
    for (const auto* text : {&params.nDepartment, &params.nPerson})
        if (!text->empty()) selection += (selection.empty() ? "" : "; ") + *text;
    return FormatMsg(Res(isBuyDirection_ ? kVendorsCaptionText : kClientsCaptionText),
                     {Value(params.repDate.ToIso()), Value(selection)});
}

void RDebtOfClients::OnOpenCube(Talvex::CCube& cube)
{
    try {
        cube_ = &cube;
        fCubeDebtByClients form;
        if (!form.Run(book_, params_, isBuyDirection_)) return;
        {
            Talvex::Ui::CWaitInfo wait;
            wait.Show(OLAP::ResString(kLoadWaitText));
            rows_.emplace(ReadRows(params_));
        }
        if (rows_->Rows().empty()) {
            Talvex::Ui::MessageBox().Show(FormatMsg(Res(kNothingText), {Value(params_.repDate.ToIso())}));
            return;
        }
        DefineCube(cube.cube());
        cube.VAxis().SetDrillDownLevel(0);
        cube.SetCaption(CubeCaption(params_));
        if (wrapper_) wrapper_->Terminate();
        wrapper_ = std::make_shared<COLAPCubeExt2>();
        wrapper_->Init(book_, cube);
        for (const char* name : {"IDC", "DocTypeCode", "DocDate", "Number", "DocSumma", "CurrencyCode", "DocumentDate",
                                 "AccNeedPaySum", "AccNotLinkPaySum", "Department", "Person", "Client"}) {
            if (isBuyDirection_ && std::string(name) == "Person") continue;
            auto attrs = FieldsAttr();
            const auto& attr = attrs->Item(name);
            wrapper_->ShowFields().Add(name, attr.TypeCode()).SetCaption(attr.Caption());
        }
        wrapper_->SetRstFieldsAttr(FieldsAttr());
        wrapper_->SetListIsFill(true);
        LoadCube(cube);
        wrapper_->SetFactVisible();
    } catch (...) {
        ReportError();
    }
}

// The rows read, in the bands of the parameters, as the cube's source. The recordset the
// drill-down and the letter read is made when one of them first needs it.
void RDebtOfClients::LoadCube(Talvex::CCube& cube)
{
    data_.reset();
    if (wrapper_) wrapper_->SetSourceRst(nullptr);
    const auto bands = BandsOf(params_.intervals);
    Engine& engine = cube.cube();
    engine.SetActive(false);
    engine.SetSource(rows_->ToCubeSource(bands));
    if (!rows_->Rows().empty()) engine.SetActive(true);
}

const std::shared_ptr<Talvex::Data::Recordset>& RDebtOfClients::Data()
{
    if (!data_ && rows_) {
        data_ = rows_->ToRecordset(BandsOf(params_.intervals));
        if (wrapper_) wrapper_->SetSourceRst(data_);
    }
    return data_;
}

void RDebtOfClients::ChangeBands(Talvex::CCube& cube, const std::vector<OverdueInterval>& intervals)
{
    if (!rows_ || !wrapper_) return;
    // Refused before anything changes: bands that overlap or leave a gap.
    (void)BandsOf(intervals);
    params_.intervals = intervals;
    // A band chosen in a filter may no longer exist.
    cube.cube().Dims().Item("DataPayType").ClearSelection();
    LoadCube(cube);
    cube.Refresh();
}

void RDebtOfClients::AddBandButton(Talvex::CCube& cube)
{
    auto& frame = cube.Parent();
    if (frame.Has(kBandButton)) return;
    frame.Add(Talvex::Ui::ControlKind::Button, kBandButton, Res(kDueText) + "...");
    frame.On(kBandButton, "Click", [this, &cube](Talvex::Ui::EventArgs&) {
        try {
            if (!rows_) return;
            fCubeDebtByClients form;
            DebtCubeParams changed = params_;
            if (!form.Run(book_, changed, isBuyDirection_, true)) return;
            ChangeBands(cube, changed.intervals);
        } catch (...) {
            ReportError();
        }
    });
}

void RDebtOfClients::OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems)
{
    try {
        cube.Parent().SetCaption(Res(isBuyDirection_ ? kVendorsFrameText : kClientsFrameText));
        userMenuItems.push_back(Res(kDocumentsText));
        if (!isBuyDirection_) {
            userMenuItems.push_back("-");
            for (long text = kFirstLetterText; text < kFirstLetterText + 4; ++text)
                userMenuItems.push_back(Res(text));
            userMenuItems.push_back("-");
            userMenuItems.push_back(Res(kClientCardText));
        }
        AddBandButton(cube);
    } catch (...) {
        ReportError();
    }
}

void RDebtOfClients::OnUserMenu(int index)
{
    try {
        if (!rows_ || !wrapper_) return;
        Data();
        if (index == 1)
            wrapper_->ListByCell();
        else if (index >= 3 && index <= 6 && !isBuyDirection_)
            PrintLetter(index - 2);
        else if (index == 8 && !isBuyDirection_)
            OpenClientCard();
    } catch (...) {
        ReportError();
    }
}

void RDebtOfClients::OnFactCellDblClick(Talvex::CCube& /*cube*/, const Talvex::Cube::GridCell& cell)
{
    try {
        if (!wrapper_ || !rows_) return;
        Data();
        wrapper_->ListByCell(&cell);
    } catch (...) {
        ReportError();
    }
}

void RDebtOfClients::PrintLetter(int gravity)
{
    FieldList in;
    in.Add("CallFromCube", FieldType::kFlag, Value(true));
    in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(book_)));
    in.Add("Data", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(data_->Copy())));
    in.Add("EndDate", FieldType::kDate, Value(params_.repDate));
    in.Add("Gravity", FieldType::kInteger, Value(gravity));
    in.Add("Filter", FieldType::kLongText, Value(wrapper_->FilterOnfocusedCell()));
    FieldList out;
    FillLetterData(in, out);

    RegisterLetterLayout();
    Talvex::Ui::ReportParameters parameters;
    for (std::size_t i = 0; i < out.Count(); ++i) {
        const auto& field = out.Item(i);
        if (field.TypeCode() != FieldType::kObject) parameters.emplace_back(field.Name(), field.GetValue());
    }
    auto letterRows = std::dynamic_pointer_cast<Talvex::Data::Recordset>(out.Item("Data").GetValue().ToObject());
    Talvex::Ui::Session* session = cube_ ? cube_->Parent().GetSession() : nullptr;
    if (!session) throw Talvex::ValueError("RDebtOfClients: the letter needs the cube's session");
    Talvex::Ui::PrintService(*session).Print(kLetterCode, parameters, {Talvex::Ui::RecordsetRowSource(*letterRows)});
}

// The letter's data: the rows of the cell's filter by client and due date, the company's
// details from the Book's settings, the (first) client's details.
void RDebtOfClients::FillLetterData(FieldList& in, FieldList& out)
{
    auto book = GetBook(&in, false);
    auto data = std::dynamic_pointer_cast<Talvex::Data::Recordset>(in.Item("Data").GetValue().ToObject());
    if (!data) throw Talvex::ValueError("Data: the letter needs the cube's rows");
    const Value& filter = in.ExistsField("Filter") ? in.Item("Filter").GetValue() : Value();
    const std::string filterText = filter.IsNull() || filter.IsEmpty() ? std::string() : filter.ToText();
    if (!filterText.empty()) data->SetFilter(filterText);
    data->SetSort("ClnCode, DocumentDate");

    const Talvex::Date repDate = in.Item("EndDate").GetValue().ToDate();
    out.Add("Gravity", FieldType::kInteger, in.Item("Gravity").GetValue());
    out.Add("RepDate", FieldType::kDate, Value(repDate));
    out.Add("RepDateLong", FieldType::kLongText, Value(Talvex::LongDateText(*book, repDate)));
    for (const char* key : kCompanyKeys)
        out.Add(key, FieldType::kLongText, book->Setting(key));

    // Each client's details on its rows; the header names the first client.
    std::map<std::string, std::map<std::string, Value>> clients;
    const char* clientKeys[] = {"ClientName", "ClientAddress", "ClientFax", "ClientPhone", "PlantCode"};
    std::string firstClient;
    for (data->MoveFirst(); !data->Eof(); data->MoveNext()) {
        const std::string code = data->Fields().Item("ClnCode").Value().ToText();
        if (code.empty()) continue;
        if (firstClient.empty()) firstClient = code;
        auto found = clients.find(code);
        if (found == clients.end()) {
            std::map<std::string, Value> details;
            Talvex::ClientCardData card;
            try {
                card = Talvex::ReadClientCard(*book, code);
            } catch (const Talvex::ValueError&) {
                // A party that is no client (a private person) has no details to print.
            }
            for (const auto& [column, value] : card.fields) {
                if (column == "Name") details["ClientName"] = value;
                if (column == "Address") details["ClientAddress"] = value;
                if (column == "Fax") details["ClientFax"] = value;
                if (column == "Phone" || column == "Telephone") details["ClientPhone"] = value;
                if (column == "PlantCode") details["PlantCode"] = value;
            }
            found = clients.emplace(code, std::move(details)).first;
        }
        for (const char* key : clientKeys)
            if (auto v = found->second.find(key); v != found->second.end())
                data->Fields().Item(key).SetValue(v->second);
        data->Update();
    }
    out.Add("ClnCode", FieldType::kCode, Value(firstClient));
    for (const char* key : clientKeys) {
        Value value(std::string{});
        if (auto c = clients.find(firstClient); c != clients.end())
            if (auto v = c->second.find(key); v != c->second.end()) value = v->second;
        out.Add(key, FieldType::kLongText, value);
    }
    if (data->RecordCount() > 0) data->MoveFirst();
    out.Add("Data", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(data)));
}

void RDebtOfClients::OpenClientCard()
{
    const std::string client = wrapper_->DimValOnfocusedCell("Client");
    if (client.empty() || !cube_) return;
    // The member is "code: name"; the card is looked up by the code.
    const auto colon = client.find(':');
    const std::string code = colon == std::string::npos ? client : client.substr(0, colon);
    if (auto* session = cube_->Parent().GetSession()) session->OpenCard("REFClient", Value(code));
}

void RDebtOfEntpr::Main(FieldList& params)
{
    try {
        params.Add("IsBuyDirection", FieldType::kFlag, Value(1));
        auto report = std::make_shared<RDebtOfClients>();
        report->Main(params);
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
