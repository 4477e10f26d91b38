// The presenter through which this platform shows the display's frames.
#pragma once

class Presenter;

Presenter* platformPresenter();
