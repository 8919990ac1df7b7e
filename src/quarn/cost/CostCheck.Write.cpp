// The cost check's writing passes: the manufacturing sums, the finishing of the changed
// documents and the return rows' cost, each document one unit of work.
#include "quarn/cost/CostCheck.hpp"

#include "host/data/ApplicationLock.hpp"
#include "host/data/Connection.hpp"
#include "host/erp/documents/COrder.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/TableObject.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/ReportError.hpp"

#include <set>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Value;

namespace {

Currency Money(const Value& v)
{
    return v.IsNull() || v.IsEmpty() ? Currency() : v.ToCurrency();
}

// Sets a field only when its value changes, so that a row already in line is not written.
bool Put(Talvex::TableObject& row, const char* field, const Value& value)
{
    if (row.Get(field) == value) return false;
    row.Set(field, value);
    return true;
}

// What a failure names: the document whose unit of work it was.
template <typename Write> void AsUnit(Talvex::Book& book, std::int64_t idc, const Write& write)
{
    try {
        // Taken before the unit begins, so that the unit reads what a session that held the lock
        // before has written.
        Talvex::Data::SessionLock lock(book.Db(), CostCheck::kWritingLock);
        Talvex::Data::Transaction unit(book.Db());
        write();
        unit.Commit();
    } catch (const Talvex::DatabaseError& e) {
        throw Talvex::DatabaseError("Cost of document " + std::to_string(idc) + " not written: " + e.what());
    } catch (const std::exception& e) {
        throw Talvex::ValueError("Cost of document " + std::to_string(idc) + " not written: " + e.what());
    }
}

} // namespace

// ---- mode 1: the manufacturing sums

bool CostCheck::WriteManufacturingStep(long index)
{
    if (index == CountStep()) {
        // The finished goods of the orders now written, each from its order's stored fact cost.
        for (const std::int64_t doc : ChangedDocuments(manufacturing_, true)) {
            try {
                WriteFinishedGoods(doc);
                for (std::size_t i = 0; i < manufacturing_.size(); ++i)
                    if (manufacturing_[i].IDC == doc) mfDoc_->Set(i, "IsDocCheck", Value(1));
            } catch (...) {
                passFailed_ = true;
                ReportError();
            }
        }
        return true;
    }
    const auto i = static_cast<std::size_t>(index - 1);
    const auto& row = manufacturing_[i];
    if (row.isFinishedGoods || !row.recalculated || row.IDC == lastDocument_) return true;
    lastDocument_ = row.IDC;
    if (row.DocNewFSum == row.DocOldFSum || mfDoc_->Get(i, "IsDocCheck").ToInteger() != 0) return true;
    try {
        WriteOrder(row.IDC);
        for (std::size_t k = 0; k < manufacturing_.size(); ++k)
            if (!manufacturing_[k].isFinishedGoods && manufacturing_[k].MOIDC == row.IDC)
                mfDoc_->Set(k, "IsDocCheck", Value(1));
    } catch (...) {
        passFailed_ = true;
        ReportError();
    }
    return true;
}

void CostCheck::WriteOrder(std::int64_t orderIdc)
{
    AsUnit(*book_, orderIdc, [&] {
        if (!Order().Init(orderIdc)) throw Talvex::ValueError("no manufacturing order has this id");
        Order().WriteFactCost();
    });
}

void CostCheck::WriteFinishedGoods(std::int64_t documentIdc)
{
    AsUnit(*book_, documentIdc, [&] {
        Talvex::Erp::CFinishGood finished(book_);
        if (!finished.Init(documentIdc)) throw Talvex::ValueError("no finished-goods document of an order");
        finished.SetPriceByFact();
    });
}

// ---- mode 2: finishing

bool CostCheck::FinishStep(long index)
{
    const auto i = static_cast<std::size_t>(index - 1);
    const std::int64_t idc = chDoc_->Get(i, "IDC").ToInteger();
    // Several rows of one document: the document is handled once, at its first row.
    if (idc == lastDocument_) return true;
    lastDocument_ = idc;
    try {
        FinishDocument(idc, chDoc_->Get(i, "DocTypeCode").ToText());
    } catch (...) {
        passFailed_ = true;
        ReportError();
    }
    return true;
}

void CostCheck::FinishDocument(std::int64_t idc, const std::string& docType)
{
    AsUnit(*book_, idc, [&] {
        if (docType == "MNM" || docType == "MOS") {
            // Material rows take their changed cost as their sum and price.
            if (!goodSpec_) goodSpec_ = book_->CreateTableObject("THGoodSpec");
            auto& row = *goodSpec_;
            for (std::size_t r = 0; r < chDoc_->RowCount(); ++r) {
                if (chDoc_->Get(r, "IDC").ToInteger() != idc) continue;
                if (!row.Load(chDoc_->Get(r, "gsIDC").ToInteger())) continue;
                const Currency cost = Money(row.Get("CostSumm"));
                bool changed = Put(row, "IsCostChanged", Value(0));
                changed = Put(row, "Summa", Value(cost)) || changed;
                changed =
                    Put(row, "Price", Value(Talvex::Erp::UnitPriceOfCost(cost, Money(row.Get("Amount"))))) || changed;
                if (changed) row.Save();
            }
            // The document's own mark goes with its rows'.
            auto header = book_->CreateTableObject("THDocument");
            if (header->Load(idc) && Put(*header, "IsCostChanged", Value(0))) header->Save();
            return;
        }
        if (!document_) document_ = std::make_unique<Talvex::Erp::THDocumentObject>(book_);
        if (document_->IDC() != idc) document_->Load(idc);
        document_->WriteBack(true);
    });
}

// ---- mode 3: the return rows' cost

bool CostCheck::WriteReturnStep(long index)
{
    const auto i = static_cast<std::size_t>(index - 1);
    const std::int64_t idc = retDoc_->Get(i, "IDC").ToInteger();
    if (idc == lastDocument_) return true;
    lastDocument_ = idc;
    try {
        WriteReturnDocument(idc);
    } catch (...) {
        passFailed_ = true;
        ReportError();
    }
    return true;
}

void CostCheck::WriteReturnDocument(std::int64_t idc)
{
    std::vector<std::size_t> rows;
    for (std::size_t r = 0; r < retDoc_->RowCount(); ++r)
        if (retDoc_->Get(r, "IDC").ToInteger() == idc) rows.push_back(r);
    AsUnit(*book_, idc, [&] {
        if (!goodSpec_) goodSpec_ = book_->CreateTableObject("THGoodSpec");
        auto& row = *goodSpec_;
        for (const std::size_t r : rows) {
            if (!row.Load(retDoc_->Get(r, "gsIDC").ToInteger())) continue;
            // A row already carrying the new cost is not written again.
            if (Put(row, "CostSumm", Value(Money(retDoc_->Get(r, "RowNewCostSum"))))) row.Save();
        }
    });
    // Only once the document's unit is committed do its rows show as written.
    for (const std::size_t r : rows) {
        retDoc_->Set(r, "RowOldCostSum", retDoc_->Get(r, "RowNewCostSum"));
        retDoc_->Set(r, "IsDocCheck", Value(1));
    }
}

} // namespace Quarn_DuzAde
