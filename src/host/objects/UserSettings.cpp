#include "host/objects/UserSettings.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"

namespace Talvex {

Value UserSettings::Load(std::string_view reportKey, std::string_view name) const
{
    auto rs = book_.Db().Query(
        "SELECT SettingValue FROM AdminUserSetting WHERE UserName = ? AND ReportKey = ? AND SettingName = ?",
        {Value(book_.UserName()), Value(std::string(reportKey)), Value(std::string(name))});
    if (rs.rows.empty()) return Value();
    return rs.rows.front().front();
}

void UserSettings::Save(std::string_view reportKey, std::string_view name, const Value& value)
{
    if (reportKey.empty() || name.empty()) throw ValueError("UserSettings: the report key and the name must be given");
    std::string text = value.IsNull() || value.IsEmpty() ? std::string() : value.ToText();
    std::vector<Value> key = {Value(book_.UserName()), Value(std::string(reportKey)), Value(std::string(name))};
    Data::Transaction tx(book_.Db());
    book_.Db().Execute("DELETE FROM AdminUserSetting WHERE UserName = ? AND ReportKey = ? AND SettingName = ?", key);
    key.push_back(Value(text));
    book_.Db().Execute(
        "INSERT INTO AdminUserSetting (UserName, ReportKey, SettingName, SettingValue) VALUES (?, ?, ?, ?)", key);
    tx.Commit();
}

} // namespace Talvex
