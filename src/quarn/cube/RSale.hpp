#pragma once

#include "host/cube/ICubeForm2.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Date.hpp"
#include "quarn/cube/RSaleLookup.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/query/CRSaleSupport.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Talvex {
class Book;
class CCube;
class DataList;
class RateJoin;
namespace Cube {
class Dimension;
class Engine;
class GridCell;
} // namespace Cube
} // namespace Talvex

namespace Quarn_DuzAde {

// The sales-analysis cube: the goods lines of sales invoices, their returns and discount
// documents (and, in hotels and restaurants, their own sale documents) of a period, by
// goods, geography, department, price type, seller, buyer and period, with quantity, sum,
// cost, profit and profit percentage, and the documents behind any cell.
class COLAPCubeExt2;

class RSale : public Talvex::Object,
              public ReportExecBase,
              public Talvex::ICubeForm2,
              public std::enable_shared_from_this<RSale> {
public:
    RSale() = default;
    ~RSale() override;

    // Prepares the report and opens the cube window, which carries it from then on; no
    // result list, so always false.
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // The cube window's callbacks.
    void OnOpenCube(Talvex::CCube& cube) override;
    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) override;
    void OnDimMapping(Talvex::CCube& cube, const Talvex::Cube::Dimension& viewDim, const Talvex::Value& key,
                      std::string& value) override;
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override;
    // The companion of the open cube (null before the cube was opened).
    COLAPCubeExt2* Wrapper() const { return wrapper_.get(); }

    // What Run does before the cube window opens, without a window: keeps the parameters,
    // takes the Book, adds the parameter defaults, initialises the sale support, reads the
    // look-ups and the restaurant flag. False (nothing done) when no Book is given.
    bool Prepare(Talvex::FieldList& inParams);
    // Reads the flags the parameter form may have changed.
    void ReadFlags();

    // The sales list of the period: for the cube (amounts summed over every other column,
    // without document columns) or, for the drill-down, with every column and row.
    std::shared_ptr<Talvex::DataList> CreateSalesList(bool forDrillDown);

    // Reads the sales list of the period, every column and row, straight into the recordset
    // of the list it returns, which the cube loads: the dates by month unless exact dates are
    // kept, each row's own date beside them as "DocumentDay" (when they differ). The first
    // drill-down writes these rows into a table of the session, so that a drill-down sees
    // exactly the rows the cube was built from without the list's joins running again.
    std::shared_ptr<Talvex::DataList> ReadSalesRows();
    // The rows read last: the list read (for the cube), or a list over the session's table
    // of them with every column, the dates exact (for the drill-down; the table is written on
    // the first call after a read).
    std::shared_ptr<Talvex::DataList> SalesRowsList(bool forDrillDown);
    // The session's table of the sales rows ("#RSaleRows7"); empty until a drill-down wrote it.
    const std::string& SalesRowsTable() const { return rowsTable_; }

    // The list of one document type with its sign; the whole list unites these.
    std::shared_ptr<Talvex::DataList> CreateTypeList(const std::string& docType, bool forDrillDown);

    // Dimensions, facts and the first layout on an inactive engine.
    virtual void DefineCube(Talvex::Cube::Engine& engine) const;
    // The window caption: the goods node or good, if any, and the period.
    std::string CubeCaption() const;
    // True for the dimensions whose members are shown through a look-up.
    virtual bool IsMappedDim(const std::string& dimName) const;
    // The display text of a member of a mapped dimension (territories, department, price
    // type, seller); other dimensions' members stay as they are.
    std::string DimMappingText(const std::string& dimName, const Talvex::Value& key) const;

    Talvex::FieldList& Params() { return *params_; }
    const Talvex::FieldList& Params() const { return *params_; }
    const std::shared_ptr<Talvex::Book>& BookRef() const { return book_; }
    bool IsRestaurant() const { return restaurant_; }

    // The sign of a document type in the sales list: "( -1 )" for returns and discounts.
    static std::string SignText(const std::string& docType);

protected:
    // What a cube built on the sales list changes: the window's form name, the parameter
    // form, the defaults and look-ups it adds, the restaurant documents it reads, and the
    // joins and columns of each document type's list.
    virtual const char* FormName() const { return "RSale"; }
    // The resource text of the window frame's caption and of the caption's first word.
    virtual long FrameCaptionText() const { return 15052; }
    virtual long TitleText() const { return 15054; }
    virtual bool AskParams(Talvex::CCube& cube);
    virtual void AddDefaults();
    virtual void BuildLookups();
    virtual std::vector<std::pair<const char*, const char*>> RestaurantSubLists() const;
    // What a type's list reads per document ("D", one row per document, over the document's
    // id, date and currency as "oTable"): its joins and named columns; the line's own joins
    // and columns then read them as "D.<name>".
    virtual void JoinDocumentSources(Talvex::DataList& documents, const std::string& docType,
                                     Talvex::RateJoin& rates);
    virtual void AddDocumentFields(Talvex::DataList& documents, const std::string& docType,
                                   const Talvex::RateJoin& rates) const;
    virtual void JoinTypeListSources(Talvex::DataList& list, const std::string& docType);
    virtual void AddTypeListFields(Talvex::DataList& list, const std::string& docType, bool forDrillDown) const;
    // Exact dates in the cube (the week and week-day levels need them) rather than months.
    virtual bool KeepsExactDates() const { return includeDimWeek_; }

    Talvex::Date DateParam(const char* name) const;
    std::string TextParam(const char* name) const;
    bool FlagParam(const char* name) const;
    std::map<std::string, RSaleLookup>& Lookups() { return lookups_; }
    Talvex::Book& BookObj() const { return *book_; }

private:
    void DropSalesRows() noexcept;
    // The period the lists are built for: the parameters', or the part of it being built.
    Talvex::Date PeriodBegin() const;
    Talvex::Date PeriodEnd() const;
    std::shared_ptr<Talvex::DataList> CreateDocumentList(const std::string& docType);

    std::shared_ptr<Talvex::FieldList> params_ = std::make_shared<Talvex::FieldList>();
    std::shared_ptr<Talvex::Book> book_;
    CRSaleSupport support_;
    std::map<std::string, RSaleLookup> lookups_; // "Country", "Region", "Town", "Department", "PriceType", "Seller"
    std::shared_ptr<Talvex::DataList> drillList_;
    void WriteSalesRows();
    std::string rowsTable_;
    std::shared_ptr<Talvex::DataList> rowsList_; // the list the cube was loaded from, its rows read
    bool readingRows_ = false;                   // the list being built is the one the cube reads
    std::optional<std::pair<Talvex::Date, Talvex::Date>> periodPart_; // the part of the period a list is built for
    std::shared_ptr<COLAPCubeExt2> wrapper_;
    bool isMngBKeeping_ = false;
    bool isCheckPISD_ = false;
    bool includeDimWeek_ = false;
    bool restaurant_ = false;
};

} // namespace Quarn_DuzAde
