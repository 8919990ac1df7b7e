#pragma once

#include "host/types/Value.hpp"

#include <string>
#include <vector>

namespace Talvex {

class CCube;

namespace Cube {
class Dimension;
class GridCell;
enum class Axis;
} // namespace Cube

// What the host's cube window calls on the report that fills it. The host creates the
// window, calls OnOpenCube (the report asks for its parameters, defines dimensions and
// facts and attaches its data), activates the cube, calls OnLoad (frame caption, user menu)
// and shows the window; from then on the user's actions arrive as the other callbacks.
// Every callback runs on the session's host thread.
class ICubeForm2 {
public:
    virtual ~ICubeForm2() = default;

    virtual void OnOpenCube(CCube& cube) = 0;
    // The report may set the frame caption and append user menu items; an item "-" is a
    // separator. OnUserMenu receives the chosen item's position in this list, from 1.
    virtual void OnLoad(CCube& cube, std::vector<std::string>& userMenuItems)
    {
        (void)cube;
        (void)userMenuItems;
    }
    virtual void OnUserMenu(int index) { (void)index; }
    // A fact cell was double-clicked; the cell is valid for the duration of the call.
    virtual void OnFactCellDblClick(CCube& cube, const Cube::GridCell& cell)
    {
        (void)cube;
        (void)cell;
    }
    // The display text of member `key` of a dimension whose MapType is 2; `value` arrives
    // holding the host's own text of the key.
    virtual void OnDimMapping(CCube& cube, const Cube::Dimension& viewDim, const Value& key, std::string& value)
    {
        (void)cube;
        (void)viewDim;
        (void)key;
        (void)value;
    }
    // Before the user moves a dimension; setting cancel keeps it where it is.
    virtual void BeforeMoveDimension(CCube& cube, const Cube::Dimension& viewDim, Cube::Axis newAxis, int newPos,
                                     bool& cancel)
    {
        (void)cube;
        (void)viewDim;
        (void)newAxis;
        (void)newPos;
        (void)cancel;
    }
};

} // namespace Talvex
