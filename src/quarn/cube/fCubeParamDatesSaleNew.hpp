#pragma once

#include "quarn/cube/fCubeParamDatesSale.hpp"

namespace Quarn_DuzAde {

// The parameters of the sales analysis by sessions and cards: those of the sales cube.
class fCubeParamDatesSaleNew : public fCubeParamDatesSale {
public:
    fCubeParamDatesSaleNew() : fCubeParamDatesSale("fCubeParamDatesSaleNew") {}
};

// The parameters of the sales trends: those of the sales cube, the facts whose change is
// shown ("Trends", "TrendFacts") and the threshold beyond which a change is coloured
// ("ColourTrend", "ColourTrendValue").
class fCubeParamDateSaleTrend : public fCubeParamDatesSale {
public:
    fCubeParamDateSaleTrend();

protected:
    void LoadFromParams(const Talvex::FieldList& params) override;
    void WriteToParams(Talvex::FieldList& params) const override;
    void CheckInput() const override;

private:
    static std::string FactControl(const std::string& fact) { return "chTrend" + fact; }
};

} // namespace Quarn_DuzAde
