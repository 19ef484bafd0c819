#pragma once

class QWidget;

namespace platform {

// The host's main window owns the windows of the dialog layer, as top-level windows of the home
// platform are owned: they stay above it and never get lost behind it. The host names its main
// window once it exists (nullptr when it goes); the layer knows nothing else of the host.
void SetHostWindow(QWidget* window);
QWidget* HostWindow();

// The owner of a new window that was given none: the window the user works in (the active one)
// when there is one, else the host's main window; nullptr when there is neither. A window made
// with this owner as its parent stays above it.
QWidget* DefaultOwner();

// Centres the window on its owner, or on the owner's screen when the owner is not shown.
void CentreOnOwner(QWidget* window, const QWidget* owner);

}  // namespace platform
