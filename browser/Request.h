#pragma once

#include "hostlibs/vekutil/VekSizableDlg.h"

// The query/retrieve browser: modeless and resizable, one at a time; it deletes itself when its
// window is gone.
class CRequest : public CVekSizableDlg {
 public:
  CRequest();

 protected:
  bool OnInitDialog() override;
  void OnCancel() override;
  void OnDestroy() override;
  void PostNcDestroy() override;
};
