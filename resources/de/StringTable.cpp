#include "resources/Tables.h"

namespace resources {
namespace {

// German strings, the base ids + 2000.
constexpr platform::StringResource kTable[] = {
    {3002, "DICOM"},
    {3004,
     "Der Server ist nicht erreichbar.\nBitte prüfen Sie die IP-Adresse und den Port in den "
     "Einstellungen."},
    {3007, "Die \"MOVE\"-Anfrage konnte nicht gesendet werden."},
    {3008, "Die Antwort auf \"MOVE\" konnte nicht vom Server empfangen werden."},
    {3009, "Für den MOVE-Befehl fehlt ein Parameter."},
    {3011, "Die temporäre Datei %s\nkonnte nicht in den Bildspeicher geladen werden."},
    {3012, "Die \"FIND\"-Anfrage konnte nicht gesendet werden."},
    {3013, "Die Antwort auf \"FIND\" konnte nicht vom Server empfangen werden."},
    {3020, "Verbindung zum Server wird hergestellt..."},
    {3021, "Die DICOM-Datenbank wird abgefragt ..."},
    {3022, "Die Bilder werden abgerufen..."},
    {3023, "Familienname : %s"},
    {3024, "Geburtsdatum"},
    {3025, "Erstellungsdatum"},
    {3026, "%s : zwischen %s und %s"},
    {3035, "Name"},
    {3036, "ID"},
    {3037, "Geburtsdatum"},
    {3038, "ID"},
    {3039, "Erstellungsdatum"},
    {3040, "Modalität"},
    {3041, "Nummer"},
    {3042, "Name"},
    {3043, "Das Bild wird zum Datenbankserver übertragen."},
    {3044, "(Serien oder Bilder konnten nicht vom Server gelesen werden)"},
    {3045, "Abbrechen"},
    {3046, "%s Studie"},
    {3047, "%s Studien"},
    {3048, "%s Serie"},
    {3049, "%s Serien"},
    {3050, "%s Bild"},
    {3051, "%s Bilder"},
    {3052, "Bild %s von %s"},
    {3053, "(keine Studie entspricht dem Filter)"},
};

}  // namespace

const std::span<const platform::StringResource> kStringsGerman = kTable;

}  // namespace resources
