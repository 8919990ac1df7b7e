#include "quarn/frame/CDBCommand.hpp"

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/data/tsql/TSql.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/ReportError.hpp"

#include <vector>

namespace Quarn_DuzAde {

using namespace Talvex;

namespace {

// A parameter value as the procedure receives it: an empty text for anything but a text
// type is sent as 0.
Value ParameterValue(const Field& field)
{
    const Value& v = field.GetValue();
    if (v.IsText() && v.ToText().empty() && !SqlTools::IsTextKind(field.TypeCode())) return Value(0);
    if (SqlTools::IsDateKind(field.TypeCode()) && !v.IsNull() && !v.IsEmpty()) return Value(v.ToDate());
    return v;
}

} // namespace

CDBCommand::CDBCommand() = default;
CDBCommand::~CDBCommand() = default;

void CDBCommand::Init(std::shared_ptr<Book> book)
{
    if (!book) throw ValueError("CDBCommand.Init: no Book");
    book_ = std::move(book);
}

Data::Connection& CDBCommand::Connect(long timeoutSeconds)
{
    if (!book_) throw ValueError("CDBCommand: Init was not called");
    connection_ = std::make_unique<Data::Connection>(Data::Connection::Open(book_->ConnectString()));
    // 0 means no limit, as for the ERP's commands.
    connection_->ExecutePostgresScript("SET statement_timeout = " + std::to_string(timeoutSeconds * 1000));
    return *connection_;
}

void CDBCommand::CloseConnection()
{
    connection_.reset();
}

std::shared_ptr<Data::Recordset> CDBCommand::OpenCursor(const std::string& sqlText, const FieldList* params,
                                                        long timeout)
{
    try {
        Data::Connection& db = Connect(timeout);
        db.Execute("SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED");
        // Parameters bind to the statement's placeholders in order; any beyond them are unused.
        std::size_t placeholders = static_cast<std::size_t>(Data::TSql::Translate(sqlText).parameterCount);
        std::vector<Value> values;
        if (params)
            for (const auto& p : *params)
                if (values.size() < placeholders) values.push_back(ParameterValue(*p));
        Data::ResultSet rows = db.Query(sqlText, values);
        return std::make_shared<Data::Recordset>(Data::Recordset::FromResultSet(rows));
    } catch (...) {
        ReportError();
        return nullptr;
    }
}

std::shared_ptr<Data::Recordset> CDBCommand::DirectDataList(DataList& lst, long timeout)
{
    std::string sql;
    try {
        sql = lst.SqlText();
    } catch (...) {
        ReportError();
        return nullptr;
    }
    return OpenCursor(sql, nullptr, timeout);
}

std::shared_ptr<Data::Recordset> CDBCommand::DirectListByFunction(const std::string& strFunc, FieldList& param,
                                                                  long timeout)
{
    return OpenCursor("Select * from " + strFunc, &param, timeout);
}

std::shared_ptr<Data::Recordset> CDBCommand::DirectListByProc(const std::string& strProc, FieldList& param,
                                                              long timeout)
{
    return OpenCursor("Exec " + strProc, &param, timeout);
}

void CDBCommand::FillList(DataList& lst, Data::Recordset& source)
{
    lst.SetAutomatic(0);
    std::string savedFilter = lst.Filter();
    lst.SetFilter("1 = 0");
    try {
        lst.Refresh();
    } catch (...) {
        lst.SetFilter(savedFilter);
        throw;
    }
    lst.SetFilter(savedFilter);
    auto target = lst.Recordset();
    if (source.RecordCount() == 0) return;
    // The columns both have, matched ignoring case.
    std::vector<std::pair<std::size_t, std::size_t>> columns;
    for (std::size_t t = 0; t < target->Fields().Count(); ++t) {
        std::string name = target->Fields().Item(t).Name();
        if (source.Fields().Exists(name)) columns.emplace_back(t, source.Fields().Item(name).Index());
    }
    for (source.MoveFirst(); !source.Eof(); source.MoveNext()) {
        target->AddNew();
        for (const auto& [t, s] : columns)
            target->Fields().Item(t).SetValue(source.Fields().Item(s).Value());
        target->Update();
    }
    target->MoveFirst();
}

void CDBCommand::FillFrom(DataList& lst, const std::shared_ptr<Data::Recordset>& source)
{
    if (!source) return; // the failure was reported where the cursor was opened
    try {
        FillList(lst, *source);
    } catch (...) {
        ReportError();
    }
    CloseConnection();
}

void CDBCommand::FillListByServerCursor(DataList& lst, long timeout)
{
    FillFrom(lst, DirectDataList(lst, timeout));
}

void CDBCommand::FillListByServerFunction(DataList& lst, const std::string& strFunc, long timeout)
{
    FillFrom(lst, DirectListByFunction(strFunc, lst.Params(), timeout));
}

void CDBCommand::FillListByServerProc(DataList& lst, const std::string& strProc, long timeout)
{
    FillFrom(lst, DirectListByProc(strProc, lst.Params(), timeout));
}

Value CDBCommand::RunStoredProc(const std::string& spName, FieldList* params, bool isTransact)
{
    try {
        Data::Connection& db = Connect(150);
        std::string call = "EXEC " + spName;
        std::vector<Value> inputs;
        if (params) {
            for (const auto& p : *params) {
                if (!(p->ParamFlags() & ParamFlag::kInput)) continue;
                call += (inputs.empty() ? " ?" : ", ?");
                inputs.push_back(ParameterValue(*p));
            }
        }
        Data::ResultSet result;
        if (isTransact) {
            Data::Transaction tx(db);
            result = db.Query(call, inputs);
            tx.Commit();
        } else {
            result = db.Query(call, inputs);
        }
        CloseConnection();
        if (params) {
            for (const auto& p : *params) {
                if (!(p->ParamFlags() & ParamFlag::kOutput)) continue;
                int column = result.ColumnIndex(p->Name());
                if (column < 0 || result.rows.empty())
                    throw ValueError("The procedure " + spName + " gave no output parameter '" + p->Name() + "'");
                p->SetValue(result.rows.front()[static_cast<std::size_t>(column)]);
            }
        }
        return Value(true);
    } catch (...) {
        CloseConnection();
        ReportError();
        return Value();
    }
}

void CDBCommand::RunSqlCommand(const std::string& strCommand, int timeout, const std::string& waitMsg)
{
    try {
        Data::Connection& db = Connect(timeout);
        std::unique_ptr<Ui::CWaitInfo> wait;
        if (Ui::Session::TryCurrent()) {
            wait = std::make_unique<Ui::CWaitInfo>();
            wait->Show(waitMsg);
        }
        Data::Transaction tx(db);
        db.Execute(strCommand);
        tx.Commit();
        CloseConnection();
    } catch (...) {
        CloseConnection();
        ReportError();
    }
}

} // namespace Quarn_DuzAde
