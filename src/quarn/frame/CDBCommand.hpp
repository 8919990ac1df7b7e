#pragma once

#include "host/types/Value.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
class DataList;
class FieldList;
namespace Data {
class Connection;
class Recordset;
} // namespace Data
} // namespace Talvex

namespace Quarn_DuzAde {

// Runs SQL straight on the ERP database, on a connection of its own made from the Book's
// connection string: report reads from a read-only cursor at READ UNCOMMITTED (they take no
// locks and wait for none), stored procedures with typed input and output parameters,
// and data-changing batches in one transaction with their own timeout.
class CDBCommand {
public:
    CDBCommand();
    ~CDBCommand();
    void Init(std::shared_ptr<Talvex::Book> book);

    // True when the procedure ran; empty when it failed (reported). Output parameters
    // (ParamFlags 512) get their values back.
    Talvex::Value RunStoredProc(const std::string& spName, Talvex::FieldList* params = nullptr,
                                bool isTransact = false);
    // A batch in one repeatable-read transaction, behind a wait window; a failure is
    // reported and nothing of the batch remains.
    void RunSqlCommand(const std::string& strCommand, int timeout, const std::string& waitMsg);

    std::shared_ptr<Talvex::Data::Recordset> DirectDataList(Talvex::DataList& lst, long timeout = 0);
    std::shared_ptr<Talvex::Data::Recordset> DirectListByFunction(const std::string& strFunc, Talvex::FieldList& param,
                                                                  long timeout = 0);
    std::shared_ptr<Talvex::Data::Recordset> DirectListByProc(const std::string& strProc, Talvex::FieldList& param,
                                                              long timeout = 0);

    // The list ends with its own columns, filled from the server's rows (columns matched by
    // name ignoring case), and its filter as it was.
    void FillListByServerCursor(Talvex::DataList& lst, long timeout = 0);
    void FillListByServerFunction(Talvex::DataList& lst, const std::string& strFunc, long timeout = 0);
    void FillListByServerProc(Talvex::DataList& lst, const std::string& strProc, long timeout = 0);

    void CloseConnection();

private:
    std::shared_ptr<Talvex::Data::Recordset> OpenCursor(const std::string& sqlText, const Talvex::FieldList* params,
                                                        long timeout);
    void FillList(Talvex::DataList& lst, Talvex::Data::Recordset& source);
    void FillFrom(Talvex::DataList& lst, const std::shared_ptr<Talvex::Data::Recordset>& source);
    Talvex::Data::Connection& Connect(long timeoutSeconds);

    std::shared_ptr<Talvex::Book> book_;
    std::unique_ptr<Talvex::Data::Connection> connection_;
};

} // namespace Quarn_DuzAde
