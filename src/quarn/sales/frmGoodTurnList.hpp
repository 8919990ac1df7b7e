#pragma once

#include "host/ui/Form.hpp"
#include "quarn/sales/CRepGoodTurnAnalysis.hpp"
#include "quarn/sales/GoodTurnover.hpp"

#include <memory>
#include <vector>

namespace Quarn_DuzAde {

// The goods turnover on screen: a row per good, group subtotal and total. A double click on a
// good (or the menu item "Documents") lists the documents of its movements in the period; a
// double click there opens the document.
class frmGoodTurnList : public Talvex::Ui::Form {
public:
    frmGoodTurnList(std::shared_ptr<Talvex::Book> book, CRepGoodTurnAnalysis::Params params,
                    std::vector<GoodTurnLine> lines);
    // Shows the list modally until the user closes it.
    void Run();

private:
    void mLocalList_OnAddFields();
    void grdTurn_DblClick();
    void ShowMovements(const std::string& goodCode, const std::string& goodName);

    std::shared_ptr<Talvex::Book> book_;
    CRepGoodTurnAnalysis::Params params_;
    std::vector<GoodTurnLine> lines_;
};

} // namespace Quarn_DuzAde
