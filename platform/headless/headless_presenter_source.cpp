// The headless platform shows frames nowhere: it keeps them for inspection.
#include "platform/headless/headless_platform.h"
#include "platform/presenter_source.h"
#include "video/headless_presenter.h"

namespace headless {

HeadlessPresenter& presenter() {
    static HeadlessPresenter keeper;
    return keeper;
}

}  // namespace headless

Presenter* platformPresenter() {
    return &headless::presenter();
}
