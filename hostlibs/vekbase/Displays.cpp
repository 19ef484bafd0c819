#include "hostlibs/vekbase/Displays.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "data/DicomFile.h"
#include "data/TransferSyntax.h"

namespace vekbase {

namespace {

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void RemoveCopy(Display& display) {
  std::error_code ignored;
  if (!display.copyPath.empty()) std::filesystem::remove(display.copyPath, ignored);
  display.copyPath.clear();
}

}  // namespace

Displays& Displays::Instance() {
  static Displays displays;
  return displays;
}

Displays::Displays() : displays_(kMaxDisplays) {}

int Displays::Count() const {
  int count = std::max(kFirstDisplays, current_);
  for (int number = count + 1; number <= kMaxDisplays; ++number) {
    const Display& display = displays_[static_cast<std::size_t>(number - 1)];
    if (display.hasImage || display.isProtected) count = number;
  }
  return count;
}

const Display* Displays::Get(int number) const {
  if (number < 1 || number > kMaxDisplays) return nullptr;
  return &displays_[static_cast<std::size_t>(number - 1)];
}

void Displays::SetCurrent(int number) {
  if (number < 1 || number > kMaxDisplays || number == current_) return;
  const int previous = current_;
  current_ = number;
  Changed(previous);
  Changed(number);
}

bool Displays::SetProtected(int number, bool isProtected) {
  if (number < 1 || number > kMaxDisplays) return false;
  At(number).isProtected = isProtected;
  Changed(number);
  return true;
}

bool Displays::Load(int number, const std::string& path, std::string& error) {
  if (number < 1 || number > kMaxDisplays) {
    error = "there is no display " + std::to_string(number);
    return false;
  }
  dicom::DicomFile file;
  file.open(path, std::ios::in | std::ios::binary);
  if (!file.is_open()) {
    error = "cannot open " + path;
    return false;
  }
  dicom::DataSet dataSet;
  const bool read = file.Read(dataSet);
  // The toolkit reads an unknown syntax as implicit VR, which for a compressed image only gets
  // as far as the pixel data; better to say what it is.
  if (file.HasMetaHeader() && file.Header().Syntax() == dicom::UnknownTransferSyntax) {
    error = "unsupported transfer syntax " +
            file.Header().Meta().GetText(dicom::MakeTag(0x0002, 0x0010), dicom::vr::UI);
    return false;
  }
  if (!read) {
    error = path + " is not a readable DICOM file";
    return false;
  }
  Image image;
  if (!DecodeImage(dataSet, file.HasMetaHeader() ? file.Header().SyntaxUid() : std::string(), image,
                   error)) {
    return false;
  }

  std::string copy = CopyIntoFolder(number, path);
  Display& display = At(number);
  RemoveCopy(display);
  const bool reused = display.hasImage && reusing_ == number;
  reusing_ = 0;
  display.image = std::move(image);
  display.hasImage = true;
  display.sourcePath = path;
  display.copyPath = std::move(copy);
  display.loaded = ++loads_;
  display.instanceNumber = dataSet.GetText(dicom::MakeTag(0x0020, 0x0013), dicom::vr::IS);
  display.name = FileName(path);
  if (reused && reuseListener_) reuseListener_(number);
  Changed(number);
  return true;
}

// Named after the display and the load, so that a display loaded again never meets its old copy.
std::string Displays::CopyIntoFolder(int number, const std::string& path) {
  if (copyFolder_.empty()) return {};
  const std::string copy =
      copyFolder_ + "/display" + std::to_string(number) + "-" + std::to_string(loads_ + 1) + ".dcm";
  std::error_code error;
  if (std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing,
                                 error)) {
    return copy;
  }
  std::filesystem::remove(copy, error);
  return {};
}

void Displays::KeepCopiesIn(std::string folder) {
  if (folder.empty()) {
    for (Display& display : displays_)
      RemoveCopy(display);
    std::error_code ignored;
    if (!copyFolder_.empty()) std::filesystem::remove(copyFolder_, ignored);
  } else {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
  }
  copyFolder_ = std::move(folder);
}

int Displays::NextUnprotected(int number) {
  const int count = Count();
  const int start = number >= 1 && number <= kMaxDisplays ? number : 0;
  for (int step = 1; step <= count; ++step) {
    const int next = (start - 1 + step + count) % count + 1;
    const Display& display = At(next);
    if (next != number && !display.hasImage && !display.isProtected) return next;
  }
  if (count < kMaxDisplays) return count + 1;
  int oldest = 0;
  for (int next = 1; next <= kMaxDisplays; ++next) {
    const Display& display = At(next);
    if (next != number && !display.isProtected &&
        (oldest == 0 || display.loaded < At(oldest).loaded))
      oldest = next;
  }
  if (oldest != 0) {
    reusing_ = oldest;
    return oldest;
  }
  return start != 0 && !At(start).isProtected ? start : 0;
}

bool Displays::SetName(int number, const std::string& name) {
  if (number < 1 || number > kMaxDisplays) return false;
  At(number).name = name;
  Changed(number);
  return true;
}

// The protection belongs to the display, not to the image in it, so it stays.
void Displays::Clear(int number) {
  if (number < 1 || number > kMaxDisplays) return;
  Display& display = At(number);
  RemoveCopy(display);
  const bool isProtected = display.isProtected;
  display = Display{};
  display.isProtected = isProtected;
  Changed(number);
}

void Displays::Changed(int number) {
  // A listener may replace itself while it runs.
  if (Listener listener = listener_) listener(number);
}

}  // namespace vekbase
