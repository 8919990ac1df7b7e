#include "quarn/settlement/CSetLimitByDebt.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/query/CDebtByDoc.hpp"
#include "quarn/settlement/frmLimitClntList.hpp"
#include "quarn/settlement/frmSetLimitParm.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Agg = Talvex::Aggregate;
using enum Talvex::FieldType;

std::vector<std::string> CSetLimitByDebt::Columns()
{
    return {frmLimitClntList::kCode,      frmLimitClntList::kName,     frmLimitClntList::kAccNeedPaySum,
            frmLimitClntList::kDefaultLimit, frmLimitClntList::kWriteToDB, frmLimitClntList::kIsLimitSetManually};
}

std::shared_ptr<Talvex::DataList> CSetLimitByDebt::CreateLimitList(std::shared_ptr<Talvex::Book> book, Date begDate,
                                                                   Date endDate)
{
    if (!book) throw Talvex::ValueError("CSetLimitByDebt: no Book");
    if (endDate < begDate)
        throw Talvex::ValueError("EndDate: the period ends (" + endDate.ToIso() + ") before it starts (" +
                                 begDate.ToIso() + ")");
    CDebtByDoc debt;
    debt.Init(book);
    auto main = debt.CrSelByClient("", 2, begDate, endDate);
    main->Fields().SelectFields({"Client", "AccNeedPaySum"});

    auto list = NestList(main, "Main", 0, book, false);
    auto client = book->CreateList("REFClient");
    client->Fields().SelectFields({});
    list->Join(client, "Client", "Main.Client = Client.Code");
    list->Fields().SelectFields({"AccNeedPaySum"});
    // One row per client: its own columns are grouped by, the debt summed.
    list->Fields().AddField("Code", kCode, "Client.Code");
    list->Fields().AddField("Name", kLongText, "Client.Name");
    list->Fields().AddField("DefaultLimit", kAmount, "Client.DefaultLimit");
    list->Fields().AddField("IsLimitSetManually", kFlag, "Client.IsLimitSetManually");
    list->Fields().Item("AccNeedPaySum").SetAggregate(Agg::kSum);
    list->OrderBy("Client.Code");
    return list;
}

std::vector<ClientDebtLimit> CSetLimitByDebt::ReadClients(Talvex::DataList& list)
{
    std::vector<ClientDebtLimit> clients;
    auto rs = list.Recordset();
    if (rs->RecordCount() == 0) return clients;
    auto& f = rs->Fields();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const Value debt = f.Item("AccNeedPaySum").Value();
        const std::string code = f.Item("Code").Value().ToText();
        // A foreign document without a rate of its date cannot be counted in the account
        // currency; the client's debt would come out short.
        if (debt.IsNull())
            throw Talvex::ValueError("client \"" + code +
                                     "\": a document of the period in a foreign currency has no rate of its date");
        const Value name = f.Item("Name").Value();
        clients.push_back({code, name.IsNull() ? std::string() : name.ToText(), debt.ToCurrency(),
                           f.Item("DefaultLimit").Value().ToCurrency(),
                           f.Item("IsLimitSetManually").Value().ToInteger() == 1});
    }
    return clients;
}

void CSetLimitByDebt::FillRezlist(Talvex::Ui::TableRowSource& oTarget)
{
    auto list = CreateLimitList(book_, begDate_, endDate_);
    long ownerHwnd = -1;
    RefreshWithWait(*list, ownerHwnd);
    if (!list->IsFilled()) return;
    for (const auto& row : LimitRows(ReadClients(*list)))
        oTarget.AddRow({Value(row.code), Value(row.name), Value(row.accNeedPaySum), Value(row.defaultLimit),
                        Value(std::int64_t{row.writeToDB ? 1 : 0}), Value(std::int64_t{row.isLimitSetManually ? 1 : 0})});
}

bool CSetLimitByDebt::Run(Talvex::FieldList& inParams, Talvex::FieldList& /*outParams*/)
{
    try {
        book_ = GetBook(&inParams, false);
        Talvex::FieldList parm;
        parm.Add("Book", Talvex::FieldType::kObject, inParams.Item("Book").GetValue());
        for (const char* name : {"BegDate", "EndDate"})
            if (inParams.ExistsField(name)) parm.Add(name, kDate, inParams.Item(name).GetValue());
        if (Visual()) {
            frmSetLimitParm parmForm;
            const bool chosen = parmForm.ShowForm(parm);
            parmForm.Unload();
            if (!chosen) return false;
        }
        const Date today = book_->Today();
        begDate_ = parm.ExistsField("BegDate") ? parm.Item("BegDate").GetValue().ToDate() : today.AddMonthsClamped(-1);
        endDate_ = parm.ExistsField("EndDate") ? parm.Item("EndDate").GetValue().ToDate() : today;
        if (endDate_ < begDate_)
            throw Talvex::ValueError("EndDate: the period ends (" + endDate_.ToIso() + ") before it starts (" +
                                     begDate_.ToIso() + ")");

        Talvex::FieldList formParams;
        formParams.Add("Book", Talvex::FieldType::kObject, inParams.Item("Book").GetValue());
        // The form holds its parent no longer than this run: a reference that owns nothing.
        formParams.Add("Parent", Talvex::FieldType::kObject,
                       Value(std::shared_ptr<Talvex::Object>(this, [](Talvex::Object*) {})));
        frmLimitClntList form;
        Talvex::Ui::BaseDialog dialog;
        if (!form.Init(dialog, formParams)) return false;
        dialog.Init(form, nullptr, Value());
        dialog.RunForm(false, false, nullptr);
        dialog.UnloadForm();
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
