#include "resources/Tables.h"

namespace resources {
namespace {

// English strings, the base ids.
constexpr platform::StringResource kTable[] = {
    {1002, "DICOM"},
    {1004,
     "Unable to contact the server.\nPlease check the IP address and the port in the preferences."},
    {1007, "Unable to send the \"MOVE\" request."},
    {1008, "Unable to get the answer of the \"MOVE\" from the server."},
    {1009, "One parameter doesn't exist for the MOVE command."},
    {1011, "Unable to load the temporary file %s\nin the image buffer."},
    {1012, "Unable to send the \"FIND\" request."},
    {1013, "Unable to get the answer of the \"FIND\" from the server."},
    {1020, "Trying to connect to the server..."},
    {1021, "Asking the DICOM database ..."},
    {1022, "Retrieve the image(s)..."},
    {1023, "Family Name : %s"},
    {1024, "Birthday"},
    {1025, "Creation Date"},
    {1026, "%s : between %s and %s"},
    {1035, "Name"},
    {1036, "Id"},
    {1037, "Birthday"},
    {1038, "Id"},
    {1039, "Creation date"},
    {1040, "Modality"},
    {1041, "Number"},
    {1042, "Name"},
    {1043, "The image is being transferred to the database server."},
    {1044, "(the series or images could not be read from the server)"},
    {1045, "Cancel"},
    {1046, "%s study"},
    {1047, "%s studies"},
    {1048, "%s series"},
    {1049, "%s series"},
    {1050, "%s image"},
    {1051, "%s images"},
    {1052, "image %s of %s"},
    {1053, "(no study matches the filter)"},
};

}  // namespace

const std::span<const platform::StringResource> kStringsEnglish = kTable;

}  // namespace resources
