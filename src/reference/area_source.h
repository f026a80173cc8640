// A register's table as the rows of its browse: the keys of the work area's active order.
#pragma once

#include "data/engine/work_area.h"
#include "ui/browse_source.h"

namespace velt::reference {

class AreaSource : public BrowseSource {
  public:
    explicit AreaSource(engine::WorkArea& area) : area_(area) {}
    long logicLen() override;
    void goTop() override;
    void goBottom() override;
    long skip(long n) override;
    long keyNo() override;
    void keyGoto(long n) override;
    void resync() override;

  private:
    engine::WorkArea& area_;
};

}  // namespace velt::reference
