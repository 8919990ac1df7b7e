#include "quarn/settlement/CCashPaymentPlan.hpp"

#include "host/erp/documents/CashPlanDocument.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/ParamForm.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/TalvexUserDialogs.hpp"

#include <memory>

namespace Quarn_DuzAde {

using Talvex::FieldType;
using Talvex::Value;
using Talvex::Erp::CashPlanDocument;

namespace {

// Asks which year's plan to open.
class frmCashPlanYear : public Talvex::Ui::ParamForm {
public:
    explicit frmCashPlanYear(int year) : ParamForm("frmCashPlanYear", "Mokėjimų planas")
    {
        auto& box = Add(Talvex::Ui::ControlKind::NumberBox, "edYear", "Metai");
        box.SetDecimals(0);
        box.SetValue(Value(year));
    }
    int Year() const { return static_cast<int>(Ctl("edYear").GetValue().ToInteger()); }

protected:
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override
    {
        const Value& year = Ctl("edYear").GetValue();
        IsOk = year.IsNumber() && year.ToInteger() >= 1900 && year.ToInteger() <= 9999;
        if (!IsOk) {
            ErrMessage = "The year must lie between 1900 and 9999";
            ErrControl = "edYear";
        }
    }
};

// The plan's lines as they are written: position, sum, due date, payment type, client.
std::shared_ptr<Talvex::DataList> StoredLines(const std::shared_ptr<Talvex::Book>& book, std::int64_t idc)
{
    auto lines = book->CreateList("THGoodSpec");
    lines->Fields().SelectFields({"PosNumb", "Summa"});
    auto plan = book->CreateList("THGoodSpecCPAY");
    plan->Fields().SelectFields({});
    lines->Join(plan, "SpecType", "oTable.DocId = SpecType.DocId AND oTable.PosNumb = SpecType.PosNumb", 1);
    lines->Fields().AddField("NeedPayDate", FieldType::kDate, "SpecType.NeedPayDate");
    lines->Fields().AddField("PaymentTypeCode", FieldType::kCode, "SpecType.PaymentTypeCode");
    lines->Fields().AddField("Client", FieldType::kCode, "SpecType.Client");
    lines->SetFilter(
        Talvex::SqlTools::CondByName("oTable.DocID", FieldType::kId, Talvex::SqlOperator::kEqual, Value(idc)));
    lines->OrderBy("oTable.PosNumb");
    lines->Refresh();
    return lines;
}

} // namespace

bool CCashPaymentPlan::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        auto book = GetBook(&inParams, false);
        auto plan = std::make_shared<CashPlanDocument>(book);
        if (inParams.ExistsField("IDC")) {
            plan->Load(inParams.Item("IDC").GetValue().ToInteger());
        } else {
            int year = book->Today().Year();
            if (inParams.ExistsField("Year")) {
                year = static_cast<int>(inParams.Item("Year").GetValue().ToInteger());
            } else {
                frmCashPlanYear ask(year);
                if (!ask.Execute()) return false;
                year = ask.Year();
            }
            if (const std::int64_t idc = CashPlanDocument::PlanOfYear(*book, year); idc != 0)
                plan->Load(idc);
            else
                plan->New(year);
        }
        TalvexUserDialogs dialog;
        dialog.Init(plan, nullptr, Value(std::string(CashPlanDocument::kDocType)));
        const bool saved = dialog.RunForm(plan->IDC() == 0, false, nullptr);
        dialog.UnloadForm();
        if (saved && plan->IDC() != 0) {
            // The host shows the document as it now stands.
            if (Talvex::Ui::Session* session = Talvex::Ui::Session::TryCurrent())
                Talvex::Ui::DocumentOpener(*session).Open(std::string(CashPlanDocument::kDocType), plan->IDC());
            outParams.Add("DataList", FieldType::kObject,
                          Value(std::shared_ptr<Talvex::Object>(StoredLines(book, plan->IDC()))));
            return true;
        }
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
