#pragma once

// The company of a cost check worked out by hand, in January 2027 where the demo company has
// no documents: a material whose cost rose, the order made of it and its finished goods, an
// order by norm price, a sale of the product with its returns, and cost norms.

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/cost/CostCheck.hpp"
#include "quarn/frame/Startup.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace Talvex::Testing {

// Codes with a quote, a semicolon and comment markers travel through every statement.
inline constexpr const char* kMaterial = "ZZ-MAT'; --";
inline constexpr const char* kProduct = "ZZ-PROD/*";
inline constexpr const char* kWork = "ZZ-WORK";

struct HandCompany {
    std::int64_t mo1 = 0, mos1 = 0, mmw1 = 0, mnm1 = 0, mnfc1 = 0, mnfc1b = 0;
    std::int64_t mo2 = 0, mos2 = 0, mnfc2 = 0;
    std::int64_t prsf1 = 0, prsf2 = 0, prsf3 = 0, gpg1 = 0, gpg2 = 0, gpg3 = 0, gpg4 = 0;
    std::int64_t nur1 = 0, nur2 = 0, nur3 = 0;
    // Goods rows.
    std::int64_t mo1Row = 0, mos1Row = 0, mos1ZeroRow = 0, mnm1Row = 0, mnfc1Row = 0, mnfc1bRow = 0;
    std::int64_t mo2Row = 0, mos2Row = 0, mnfc2Row = 0, prsf1Row = 0, gpg1Row = 0, gpg2Row = 0, gpg3Row = 0,
                 gpg4Row = 0;

    std::vector<std::int64_t> Documents() const
    {
        return {mo1,   mos1,  mmw1, mnm1, mnfc1, mnfc1b, mo2,  mos2, mnfc2, prsf1,
                prsf2, prsf3, gpg1, gpg2, gpg3,  gpg4,   nur1, nur2, nur3};
    }
};

class HandCompanyWriter {
public:
    explicit HandCompanyWriter(Data::Connection& db) : db_(db) {}

    std::int64_t Doc(const char* type, const char* date, std::int64_t parent, int posted, int marked, const char* summa)
    {
        return One("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, ParentID, IsPosted, IsCostChanged, "
                   "Summa) VALUES ($1::varchar, $2::date, 'ZZ-' || $1::varchar, NULLIF($3::int, 0), $4::int, "
                   "$5::int, $6::numeric) RETURNING IDC",
                   {Value(type), Value(date), Value(parent), Value(posted), Value(marked), Value(summa)});
    }

    std::int64_t Row(std::int64_t doc, int pos, const char* good, const char* unit, const char* amount,
                     const char* amountAccount, const char* summa, const char* cost, const char* price, int marked)
    {
        return One("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, Summa, "
                   "CostSumm, Price, IsCostChanged) VALUES ($1::int, $2::int, $3::varchar, $4::varchar, "
                   "$5::numeric, $6::numeric, $7::numeric, $8::numeric, $9::numeric, $10::int) RETURNING IDC",
                   {Value(doc), Value(pos), Value(good), Value(unit), Value(amount), Value(amountAccount), Value(summa),
                    Value(cost), Value(price), Value(marked)});
    }

    HandCompany Write()
    {
        db_.QueryPostgres("INSERT INTO REFGood (Code, Name) VALUES ($1, 'Material ''quoted'''), ($2, 'Product'), "
                          "($3, 'Work') ON CONFLICT (Code) DO NOTHING",
                          {Value(kMaterial), Value(kProduct), Value(kWork)});
        HandCompany c;
        // Order 1 makes 10 products; its materials went up 3 % after they were issued.
        c.mo1 = Doc("MO", "2027-01-10", 0, 1, 0, "100.00");
        c.mo1Row = Row(c.mo1, 1, kProduct, "VNT", "10", "10", "100.00", "100.00", "10.00", 0);
        c.mos1 = Doc("MOS", "2027-01-10", c.mo1, 1, 1, "40.00");
        c.mos1Row = Row(c.mos1, 1, kMaterial, "VNT", "4", "4", "40.00", "41.20", "10.00", 1);
        c.mos1ZeroRow = Row(c.mos1, 2, kMaterial, "VNT", "0", "0", "0.90", "1.00", "0.90", 1);
        c.mmw1 = Doc("MMW", "2027-01-10", c.mo1, 1, 0, "50.00");
        Row(c.mmw1, 1, kWork, "VNT", "1", "1", "50.00", "50.00", "50.00", 0);
        c.mnm1 = Doc("MNM", "2027-01-11", c.mmw1, 1, 1, "10.00");
        c.mnm1Row = Row(c.mnm1, 1, kMaterial, "VNT", "1", "1", "10.00", "10.30", "10.00", 1);
        // Two finished-goods documents of order 1: all 10, and 3 more of a second batch.
        c.mnfc1 = Doc("MNFC", "2027-01-12", c.mo1, 1, 0, "100.00");
        c.mnfc1Row = Row(c.mnfc1, 1, kProduct, "VNT", "10", "10", "100.00", "100.00", "10.00", 0);
        c.mnfc1b = Doc("MNFC", "2027-01-13", c.mo1, 1, 0, "30.00");
        c.mnfc1bRow = Row(c.mnfc1b, 1, kProduct, "VNT", "3", "3", "30.00", "30.00", "10.00", 0);
        // Order 2 is costed by norm price: its finished goods keep the norm.
        c.mo2 = Doc("MO", "2027-01-14", 0, 1, 0, "60.00");
        c.mo2Row = Row(c.mo2, 1, kProduct, "VNT", "5", "5", "60.00", "60.00", "12.00", 0);
        c.mos2 = Doc("MOS", "2027-01-14", c.mo2, 1, 1, "20.00");
        c.mos2Row = Row(c.mos2, 1, kMaterial, "VNT", "2", "2", "20.00", "20.60", "10.00", 1);
        c.mnfc2 = Doc("MNFC", "2027-01-15", c.mo2, 1, 0, "60.00");
        c.mnfc2Row = Row(c.mnfc2, 1, kProduct, "VNT", "5", "5", "60.00", "60.00", "12.00", 0);
        for (const auto& [order, doc, norm] :
             {std::tuple{c.mo1, c.mnfc1, 0}, std::tuple{c.mo1, c.mnfc1b, 0}, std::tuple{c.mo2, c.mnfc2, 1}})
            db_.QueryPostgres("INSERT INTO THDocumentMO (MOIDC, DocID, IsCostByNormPrice) VALUES ($1, $2, $3)",
                              {Value(order), Value(doc), Value(norm)});
        // A sale of 5 products whose cost rose to 52.00, and its returns.
        c.prsf1 = Doc("PRSF", "2027-01-16", 0, 1, 1, "80.00");
        c.prsf1Row = Row(c.prsf1, 1, kProduct, "VNT", "5", "5", "80.00", "52.00", "16.00", 1);
        c.prsf2 = Doc("PRSF", "2027-01-16", 0, 1, 0, "5.00");
        const auto prsf2Row = Row(c.prsf2, 1, kProduct, "VNT", "0", "0", "5.00", "5.00", "0", 0);
        c.prsf3 = Doc("PRSF", "2027-01-16", 0, 1, 0, "40.00");
        const auto prsf3Row = Row(c.prsf3, 1, kProduct, "DEZ", "1", "12", "40.00", "24.00", "40.00", 0);
        c.gpg1 = Doc("GPG", "2027-01-20", c.prsf1, 1, 0, "32.00");
        c.gpg1Row = Row(c.gpg1, 1, kProduct, "VNT", "2", "2", "32.00", "20.00", "16.00", 0);
        c.gpg2 = Doc("GPG", "2027-01-21", c.prsf2, 1, 0, "1.00");
        c.gpg2Row = Row(c.gpg2, 1, kProduct, "VNT", "1", "1", "1.00", "3.00", "1.00", 0);
        c.gpg3 = Doc("GPG", "2027-01-22", c.prsf1, 1, 0, "16.00");
        c.gpg3Row = Row(c.gpg3, 1, kProduct, "VNT", "1", "1", "16.00", "10.40", "16.00", 0);
        c.gpg4 = Doc("GPG", "2027-01-23", c.prsf3, 1, 0, "10.00");
        c.gpg4Row = Row(c.gpg4, 1, kProduct, "VNT", "3", "3", "10.00", "5.00", "3.33", 0);
        for (const auto& [ret, src] : {std::pair{c.gpg1Row, c.prsf1Row}, std::pair{c.gpg2Row, prsf2Row},
                                       std::pair{c.gpg3Row, c.prsf1Row}, std::pair{c.gpg4Row, prsf3Row}})
            db_.QueryPostgres("INSERT INTO THGoodContent (SpecID, CorSpecID, LinkKindCode) VALUES ($1, $2, 'GR')",
                              {Value(ret), Value(src)});
        // Cost norms: one in force in January, one that ended with 2026, one never posted.
        c.nur1 = Doc("NUR", "2026-12-01", 0, 1, 0, "120.00");
        c.nur2 = Doc("NUR", "2026-01-01", 0, 1, 1, "110.00");
        c.nur3 = Doc("NUR", "2027-01-05", 0, 0, 0, "130.00");
        for (const auto& [doc, from, till] :
             {std::tuple{c.nur1, "2026-12-01", "2027-02-28"}, std::tuple{c.nur2, "2026-01-01", "2026-12-31"},
              std::tuple{c.nur3, "2027-01-05", "2027-03-31"}})
            db_.QueryPostgres("UPDATE THDocument SET CommingInForceDate = $2::date, TermsOfValidityDate = $3::date "
                              "WHERE IDC = $1",
                              {Value(doc), Value(from), Value(till)});
        return c;
    }

private:
    std::int64_t One(const std::string& sql, const std::vector<Value>& args)
    {
        return db_.QueryPostgres(sql, args).rows.at(0).at(0).ToInteger();
    }
    Data::Connection& db_;
};

// Removes the hand company again after a test that committed it.
struct HandCompanyCleanup {
    Data::Connection& db;
    std::vector<std::int64_t> documents;
    ~HandCompanyCleanup()
    {
        std::string ids = "{";
        for (const auto d : documents)
            ids += (ids.size() > 1 ? "," : "") + std::to_string(d);
        ids += "}";
        const Value list(ids);
        try {
            db.QueryPostgres("DELETE FROM THGoodContent WHERE SpecID IN (SELECT IDC FROM THGoodSpec WHERE DocID = "
                             "ANY ($1::int[]))",
                             {list});
            db.QueryPostgres("DELETE FROM THDocumentMO WHERE DocID = ANY ($1::int[])", {list});
            db.QueryPostgres("DELETE FROM THGoodSpec WHERE DocID = ANY ($1::int[])", {list});
            db.QueryPostgres("DELETE FROM THDocument WHERE IDC = ANY ($1::int[])", {list});
            db.QueryPostgres("DELETE FROM REFGood WHERE Code IN ($1, $2, $3)",
                             {Value(kMaterial), Value(kProduct), Value(kWork)});
        } catch (...) {
        }
    }
};

// The cost check opened in the dialog engine as the operation opens it, but modeless, so that
// the test acts for the user and looks at the form in between.
class CostCheckSession {
public:
    explicit CostCheckSession(std::shared_ptr<Book> b) : book(std::move(b))
    {
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    }
    ~CostCheckSession()
    {
        if (form) form->Unload();
    }

    Quarn_DuzAde::CostCheck& Open()
    {
        if (form) form->Unload();
        dialog.reset();
        form = std::make_unique<Quarn_DuzAde::CostCheck>();
        dialog = std::make_unique<Ui::BaseDialog>();
        EXPECT_TRUE(form->Init(*dialog, params));
        dialog->Init(*form, nullptr, Value());
        EXPECT_TRUE(dialog->RunForm(false, true, nullptr));
        return *form;
    }

    Quarn_DuzAde::CostCheck& Fill(const char* beg, const char* end)
    {
        auto& f = form ? *form : Open();
        f.UserInput("edDateBeg", Value(Date::Parse(beg)));
        f.UserInput("edDateEnd", Value(Date::Parse(end)));
        f.UserClick("btFillList");
        return f;
    }

    std::shared_ptr<Book> book;
    FieldList params;
    std::unique_ptr<Quarn_DuzAde::CostCheck> form;
    std::unique_ptr<Ui::BaseDialog> dialog;
};

// The ids of a list's column, in its order.
inline std::vector<std::int64_t> Ids(const Ui::TableRowSource& rows, const char* column)
{
    std::vector<std::int64_t> ids;
    for (std::size_t r = 0; r < rows.RowCount(); ++r)
        ids.push_back(rows.Get(r, column).ToInteger());
    return ids;
}

} // namespace Talvex::Testing
