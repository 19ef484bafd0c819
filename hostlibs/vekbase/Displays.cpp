#include "hostlibs/vekbase/Displays.h"

#include "data/DicomFile.h"
#include "data/TransferSyntax.h"

namespace vekbase {

namespace {

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Displays& Displays::Instance() {
  static Displays displays;
  return displays;
}

Displays::Displays() : displays_(kDisplayCount) {}

const Display* Displays::Get(int number) const {
  if (number < 1 || number > Count()) return nullptr;
  return &displays_[static_cast<std::size_t>(number - 1)];
}

void Displays::SetCurrent(int number) {
  if (number < 1 || number > Count() || number == current_) return;
  const int previous = current_;
  current_ = number;
  Changed(previous);
  Changed(number);
}

bool Displays::SetProtected(int number, bool isProtected) {
  if (number < 1 || number > Count()) return false;
  displays_[static_cast<std::size_t>(number - 1)].isProtected = isProtected;
  Changed(number);
  return true;
}

bool Displays::Load(int number, const std::string& path, std::string& error) {
  if (number < 1 || number > Count()) {
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

  Display& display = displays_[static_cast<std::size_t>(number - 1)];
  display.image = std::move(image);
  display.hasImage = true;
  display.sourcePath = path;
  display.instanceNumber = dataSet.GetText(dicom::MakeTag(0x0020, 0x0013), dicom::vr::IS);
  display.name = FileName(path);
  Changed(number);
  return true;
}

bool Displays::SetName(int number, const std::string& name) {
  if (number < 1 || number > Count()) return false;
  displays_[static_cast<std::size_t>(number - 1)].name = name;
  Changed(number);
  return true;
}

// The protection belongs to the display, not to the image in it, so it stays.
void Displays::Clear(int number) {
  if (number < 1 || number > Count()) return;
  Display& display = displays_[static_cast<std::size_t>(number - 1)];
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
