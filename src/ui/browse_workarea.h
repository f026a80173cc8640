// The default data source of a table browse: a work area in its active order, within its range
// or view. This is the one toolkit file that talks to the table engine; the browse itself only
// sees the BrowseSource interface.
#pragma once

#include <memory>
#include <string>

#include "ui/browse_source.h"

namespace velt {

// The source for the work area with that alias, or for the current work area when the alias is
// empty (the work area is taken now, so selecting another one later does not change it).
std::shared_ptr<BrowseSource> workAreaSource(const std::string& cAlias = "");

}  // namespace velt
