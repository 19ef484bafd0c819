#include "browser/Request.h"

#include <iterator>

#include "browser/HostLists.h"
#include "host/Language.h"
#include "host/Module.h"
#include "net/Association.h"

namespace {

constexpr unsigned kBrowserTemplate = 6003;
constexpr int kPatientsList = 6009;
constexpr int kRightButtons[] = {2, 6005, 6006, 6014};
constexpr int kLowerLists[] = {6038, 6037, 6033, 6010, 6034, 6011};
constexpr int kHelpButton[] = {9};
constexpr int kKeepRight = 1;
constexpr int kKeepBottom = 2;
constexpr int kKeepBoth = 3;

}  // namespace

CRequest::CRequest() : CVekSizableDlg(plugin::LocalizedId(kBrowserTemplate), nullptr) {}

bool CRequest::OnInitDialog() {
  SetSizeItem(kPatientsList);
  SetMoveItems(kRightButtons, static_cast<int>(std::size(kRightButtons)), kKeepRight);
  SetMoveItems(kLowerLists, static_cast<int>(std::size(kLowerLists)), kKeepBottom);
  SetMoveItems(kHelpButton, 1, kKeepBoth);
  return CVekSizableDlg::OnInitDialog();
}

void CRequest::OnCancel() {
  DestroyWindow();
}

void CRequest::OnDestroy() {
  if (plugin::SharedAssociation().IsConnected()) plugin::SharedAssociation().Release();
  plugin::Browser = nullptr;
  plugin::DestroyHostLists();
  CVekSizableDlg::OnDestroy();
  plugin::BrowserOpen = 0;
}

void CRequest::PostNcDestroy() {
  delete this;
}
