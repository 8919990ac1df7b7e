#include "quarn/debt/CDebtPayByDoc.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/debt/frmDebtPayByDoc.hpp"
#include "quarn/debt/frmNotPayedInv.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::FieldList;
using Talvex::Value;
using Kind = Talvex::FieldType;

namespace {

bool FlagOf(const FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return false;
    const Value& v = params.Item(name).GetValue();
    if (v.IsNull() || v.IsEmpty()) return false;
    return v.ToBool();
}

std::string TextOf(const FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return {};
    const Value& v = params.Item(name).GetValue();
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

// A parameter with its default, unless the caller's InParams already give it a value.
void Preset(const FieldList& inParams, FieldList& outParams, const char* name, Kind kind, Value fallback)
{
    Value value = std::move(fallback);
    if (inParams.ExistsField(name) && !inParams.Item(name).GetValue().IsEmpty()) value = inParams.Item(name).GetValue();
    outParams.Add(name, kind, std::move(value));
}

} // namespace

void CDebtPayByDoc::AddParameters(const FieldList& inParams, FieldList& outParams,
                                  const std::shared_ptr<Talvex::Book>& book)
{
    Preset(inParams, outParams, "RepDate", Kind::kDate, Value(book->Today()));
    Preset(inParams, outParams, "Client", Kind::kLongText, Value(std::string()));
    Preset(inParams, outParams, "ClientIsGroup", Kind::kFlag, Value(false));
    Preset(inParams, outParams, "Direction", Kind::kQuantity, Value(std::int64_t{2}));
    outParams.Add("DataList", Kind::kObject, Value());
    outParams.Add("CrRate", Kind::kObject, Value());
    outParams.Add("AccountCurrency", Kind::kCode, Value(book->AccountCurrency()));
    Preset(inParams, outParams, "Department", Kind::kCode, Value(std::string()));
    Preset(inParams, outParams, "MarketGroup", Kind::kMultiSelection, Value(std::string()));
    outParams.Add("MarketGroupType", Kind::kInteger, Value(std::int64_t{1}));
    Preset(inParams, outParams, "CenterBranch", Kind::kFlag, Value(false));
    Preset(inParams, outParams, "ContractType", Kind::kMultiSelection, Value(std::string()));
    Preset(inParams, outParams, "StateCode", Kind::kInteger, Value(std::string()));
    Preset(inParams, outParams, "StateCodeSelected", Kind::kFlag, Value(false));
}

// The rate of every currency on the report date, by code, for the host's printout.
void CDebtPayByDoc::AddRates(FieldList& outParams, const std::shared_ptr<Talvex::Book>& book, Date repDate)
{
    Talvex::RateJoin rates;
    rates.Init(book, "Cros", "Rate");
    auto currencies = book->CreateList("REFCurrency");
    currencies->Fields().SelectFields({"Code"});
    currencies->Refresh();
    auto collection = std::make_shared<FieldList>();
    auto rs = currencies->Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const std::string code = rs->Fields().Item("Code").Value().ToText();
        collection->Add(code, Kind::kNumber, rates.CrRate(code, repDate));
    }
    outParams.Item("CrRate").SetValue(Value(std::shared_ptr<Talvex::Object>(collection)));
}

DebtPayByDocQuery CDebtPayByDoc::QueryOf(const FieldList& params, bool byDepartment)
{
    DebtPayByDocQuery query;
    const Value& date = params.Item("RepDate").GetValue();
    if (!date.IsDate()) throw Talvex::ValueError("RepDate: the report needs a date");
    query.repDate = date.ToDate();
    query.direction = params.Item("Direction").GetValue().ToInteger();
    if (query.direction != 1 && query.direction != 2)
        throw Talvex::ValueError("Direction: must be 1 (payables) or 2 (receivables)");
    query.client = TextOf(params, "Client");
    query.clientIsGroup = FlagOf(params, "ClientIsGroup");
    query.department = TextOf(params, "Department");
    query.marketGroup = TextOf(params, "MarketGroup");
    query.byDepartment = byDepartment;
    query.stateCodeSelected = FlagOf(params, "StateCodeSelected");
    query.stateCode = query.stateCodeSelected ? TextOf(params, "StateCode") : std::string();
    return query;
}

bool CDebtPayByDoc::Run(FieldList& inParams, FieldList& outParams)
{
    try {
        auto book = GetBook(&inParams, false);
        const bool outstanding = FlagOf(inParams, "OutStandingAccounts");
        const bool shortForm = outstanding || FlagOf(inParams, "ShortRepKind");
        const bool byDepartment = FlagOf(inParams, "FilterByDepartment");
        AddParameters(inParams, outParams, book);
        if (Visual()) {
            if (outstanding) {
                frmNotPayedInv form;
                if (!form.Browse(outParams, book)) return false;
            } else {
                frmDebtPayByDoc form(byDepartment);
                if (!form.Browse(outParams, book)) return false;
            }
        }
        const DebtPayByDocQuery query = QueryOf(outParams, byDepartment);
        AddRates(outParams, book, query.repDate);

        // The short form hands back the host list itself, whose columns say which are amounts.
        std::shared_ptr<Talvex::Data::Recordset> result;
        std::shared_ptr<Talvex::Object> returned;
        if (shortForm) {
            auto list = ShortList(book, query);
            long owner = -1;
            RefreshWithWait(*list, owner);
            if (!list->IsFilled()) return false; // the failure was reported
            result = list->Recordset();
            returned = list;
        } else {
            result = FullForm(book, query);
            returned = result;
        }
        outParams.Item("DataList").SetValue(Value(returned));
        auto totals = result->Clone();
        totals->SetSort("CurrencyCode");
        outParams.Add("TotalSum.xxx", Kind::kObject, Value(std::shared_ptr<Talvex::Object>(totals)));
        if (Visual() && result->RecordCount() == 0)
            Talvex::Ui::MessageBox().Show("No unpaid documents on " + query.repDate.ToIso() + ".");
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
