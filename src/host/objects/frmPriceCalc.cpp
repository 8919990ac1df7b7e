#include "host/objects/frmPriceCalc.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/TableObject.hpp"

#include <optional>
#include <utility>

namespace Talvex {

using Ui::ControlKind;

namespace {

constexpr int kFactorDecimals = 4;

// The calculator's parameters and the controls that show them.
constexpr std::pair<const char*, const char*> kControlOf[] = {
    {"BegDate", "edDateBeg"},
    {"EndDate", "edDateEnd"},
    {"PriceListCode", "cbPriceList"},
    {"PriceTypeCode", "cbPriceType"},
    {"Koeff", "edKoeff"},
    {"CurrencyCode", "cbCurrency"},
    {"Rate", "edRate"},
    {"Dt", "edDt"},
};

// The date a control holds, picked or typed; none when it holds no date.
std::optional<Date> DateIn(const Value& value)
{
    if (value.IsDate()) return value.ToDate();
    if (value.IsNull() || value.IsEmpty()) return std::nullopt;
    Date date;
    if (Date::TryParse(value.ToText(), date)) return date;
    return std::nullopt;
}

std::optional<Currency> NumberIn(const Value& value)
{
    if (value.IsNull() || value.IsEmpty()) return std::nullopt;
    if (value.IsNumber()) return value.ToCurrency();
    return Ui::ParseTypedNumber(value.ToText());
}

std::string TextIn(const Value& value)
{
    return value.IsNull() || value.IsEmpty() ? std::string() : value.ToText();
}

} // namespace

frmPriceCalc::frmPriceCalc(std::shared_ptr<Book> book)
    : ParamForm("frmPriceCalc", "Kainų skaičiavimas"), book_(std::move(book))
{
    Add(ControlKind::DateBox, "edDateBeg", "From");
    Add(ControlKind::DateBox, "edDateEnd", "To");
    Add(ControlKind::ComboBox, "cbPriceList", "Price list").BindLookup({"REFPriceList", "Code", "Name"});
    Add(ControlKind::ComboBox, "cbPriceType", "Price type").BindLookup({"REFPriceType", "Code", "Name"});
    Add(ControlKind::NumberBox, "edKoeff", "Coefficient").SetDecimals(kFactorDecimals);
    Add(ControlKind::ComboBox, "cbCurrency", "Currency").BindLookup({"REFCurrency", "Code", "Name"});
    Add(ControlKind::NumberBox, "edRate", "Rate").SetDecimals(kFactorDecimals);
    Add(ControlKind::DateBox, "edDt", "Prices apply from");
}

bool frmPriceCalc::Run(const FieldList& given, PriceCalcRequest& request)
{
    for (const auto& [name, control] : kControlOf) {
        if (!given.ExistsField(name)) continue;
        const Value& value = given.Item(name).GetValue();
        if (!value.IsNull() && !value.IsEmpty()) Ctl(control).SetValue(value);
    }
    if (!Execute()) return false;
    request.begDate = *DateIn(Ctl("edDateBeg").GetValue());
    request.endDate = *DateIn(Ctl("edDateEnd").GetValue());
    request.koeff = Decimal::FromCurrency(*NumberIn(Ctl("edKoeff").GetValue()));
    request.rate = *NumberIn(Ctl("edRate").GetValue());
    request.priceListCode = TextIn(Ctl("cbPriceList").GetValue());
    request.priceTypeCode = TextIn(Ctl("cbPriceType").GetValue());
    request.currencyCode = TextIn(Ctl("cbCurrency").GetValue());
    request.dt = *DateIn(Ctl("edDt").GetValue());
    return true;
}

void frmPriceCalc::BeforeShow()
{
    const Date today = book_->Today();
    auto offer = [this](const char* control, const Value& value) {
        const Value& now = Ctl(control).GetValue();
        if (now.IsNull() || now.IsEmpty() || (now.IsText() && now.ToText().empty())) Ctl(control).SetValue(value);
    };
    offer("edDateBeg", Value(today.FirstOfMonth()));
    offer("edDateEnd", Value(today.LastOfMonth()));
    offer("edKoeff", Value(Currency::FromInteger(1)));
    offer("edRate", Value(Currency::FromInteger(1)));
    offer("cbCurrency", Value(book_->AccountCurrency()));
    offer("edDt", Value(today));
}

void frmPriceCalc::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    auto [message, control] = Refusal();
    IsOk = message.empty();
    ErrMessage = std::move(message);
    ErrControl = std::move(control);
}

std::pair<std::string, std::string> frmPriceCalc::Refusal() const
{
    const auto beg = DateIn(Ctl("edDateBeg").GetValue());
    const auto end = DateIn(Ctl("edDateEnd").GetValue());
    if (!beg) return {"Enter the first day of the period.", "edDateBeg"};
    if (!end) return {"Enter the last day of the period.", "edDateEnd"};
    if (*end < *beg) return {"The period ends before it begins.", "edDateEnd"};
    const std::string priceList = TextIn(Ctl("cbPriceList").GetValue());
    if (priceList.empty()) return {"Choose the price list whose goods are priced.", "cbPriceList"};
    if (!Known("REFPriceList", priceList)) return {"There is no price list \"" + priceList + "\".", "cbPriceList"};
    const std::string priceType = TextIn(Ctl("cbPriceType").GetValue());
    if (priceType.empty()) return {"Choose the price type the prices are stored under.", "cbPriceType"};
    if (!Known("REFPriceType", priceType)) return {"There is no price type \"" + priceType + "\".", "cbPriceType"};
    const auto koeff = NumberIn(Ctl("edKoeff").GetValue());
    if (!koeff || *koeff <= Currency()) return {"The coefficient must be a number above zero.", "edKoeff"};
    const std::string currency = TextIn(Ctl("cbCurrency").GetValue());
    if (currency.empty()) return {"Choose the currency of the prices.", "cbCurrency"};
    if (!Known("REFCurrency", currency)) return {"There is no currency \"" + currency + "\".", "cbCurrency"};
    const auto rate = NumberIn(Ctl("edRate").GetValue());
    if (!rate || *rate <= Currency()) return {"The rate must be a number above zero.", "edRate"};
    if (!DateIn(Ctl("edDt").GetValue())) return {"Enter the day the prices apply from.", "edDt"};
    return {};
}

bool frmPriceCalc::Known(const char* table, const std::string& code) const
{
    // The code goes to the database as a parameter: quotes, semicolons and comment markers
    // are only characters of a code that does not exist.
    return book_->CreateTableObject(table)->LoadByKey({{"Code", Value(code)}});
}

} // namespace Talvex
