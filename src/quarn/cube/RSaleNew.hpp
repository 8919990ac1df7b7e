#pragma once

#include "quarn/cube/PriceListFolders.hpp"
#include "quarn/cube/RSale.hpp"

#include <string>
#include <vector>

namespace Quarn_DuzAde {

// The sales analysis by sessions and discount cards: the sales cube's lines with the price-list
// folders of the goods, the VAT direction, sub-category, the buyer's responsible manager, the
// discount card, the restaurant session and the exact day (week, week day). Run with the
// parameter "Trend" it adds, for each chosen fact, its change against the previous position
// along the axis; with "Restaurant", the hotel and restaurant documents.
class RSaleNew : public RSale {
public:
    ~RSaleNew() override;
    // The facts a trend may follow, in column order.
    static const std::vector<std::string>& TrendableFacts();

    void DefineCube(Talvex::Cube::Engine& engine) const override;
    bool IsMappedDim(const std::string& dimName) const override;

    bool IsTrend() const { return Params().ExistsField("Trend"); }
    // The facts chosen for trends ("TrendFacts", a comma list; all when empty).
    std::vector<std::string> TrendFacts() const;
    // The price-list folder levels, outermost first ("PLFolder1" ...), known once prepared.
    const std::vector<std::string>& FolderLevels() const { return folders_.Levels(); }

protected:
    const char* FormName() const override { return "RSaleNew"; }
    bool AskParams(Talvex::CCube& cube) override;
    void AddDefaults() override;
    void BuildLookups() override;
    void JoinDocumentSources(Talvex::DataList& documents, const std::string& docType,
                             Talvex::RateJoin& rates) override;
    void AddDocumentFields(Talvex::DataList& documents, const std::string& docType,
                           const Talvex::RateJoin& rates) const override;
    void JoinTypeListSources(Talvex::DataList& list, const std::string& docType) override;
    void AddTypeListFields(Talvex::DataList& list, const std::string& docType, bool forDrillDown) const override;
    bool KeepsExactDates() const override { return true; }
    long FrameCaptionText() const override;
    long TitleText() const override { return FrameCaptionText(); }

private:
    void DropManagers() noexcept;

    PriceListFolders folders_;
    std::string managersTable_; // the buyers' responsible managers ("#BuyerManagers3")
};

} // namespace Quarn_DuzAde
