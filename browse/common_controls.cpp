#include "browse/common_controls.h"

#include "base/system_library_win.h"

namespace {

template <typename Function> bool Load(Function &function, const char *name) {
  function = reinterpret_cast<Function>(reinterpret_cast<void *>(SystemDllProcedure(L"comctl32.dll", name)));
  return function != nullptr;
}

} // namespace

const CommonControls *SystemCommonControls() {
  static CommonControls controls;
  static bool loaded = Load(controls.initCommonControlsEx, "InitCommonControlsEx") &&
                       Load(controls.imageListCreate, "ImageList_Create") &&
                       Load(controls.imageListAdd, "ImageList_Add") &&
                       Load(controls.imageListDestroy, "ImageList_Destroy");
  return loaded ? &controls : nullptr;
}
