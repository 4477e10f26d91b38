#include "video/presenter.h"

namespace {
Presenter* current = nullptr;
}

void setPresenter(Presenter* presenter) {
    current = presenter;
}

Presenter* installedPresenter() {
    return current;
}
