#include "resources/Tables.h"

namespace resources {
namespace {

// French strings, the base ids + 1000.
constexpr platform::StringResource kTable[] = {
    {2002, "DICOM"},
    {2004,
     "Impossible de contacter le serveur.\nVeuillez vérifier l'adresse IP et le port dans les "
     "préférences."},
    {2007, "Impossible d'envoyer la requête \"MOVE\"."},
    {2008, "Impossible d'obtenir du serveur la réponse au \"MOVE\"."},
    {2009, "Un paramètre manque pour la commande MOVE."},
    {2011, "Impossible de charger le fichier temporaire %s\ndans la mémoire d'image."},
    {2012, "Impossible d'envoyer la requête \"FIND\"."},
    {2013, "Impossible d'obtenir du serveur la réponse au \"FIND\"."},
    {2020, "Connexion au serveur en cours..."},
    {2021, "Interrogation de la base DICOM ..."},
    {2022, "Récupération des images..."},
    {2023, "Nom de famille : %s"},
    {2024, "Date de naissance"},
    {2025, "Date de création"},
    {2026, "%s : entre le %s et le %s"},
    {2035, "Nom"},
    {2036, "Id"},
    {2037, "Naissance"},
    {2038, "Id"},
    {2039, "Date de création"},
    {2040, "Modalité"},
    {2041, "Numéro"},
    {2042, "Nom"},
    {2043, "L'image est en cours de transfert vers le serveur de la base de données."},
    {2044, "(impossible de lire les séries ou les images du serveur)"},
    {2045, "Annuler"},
    {2046, "%s étude"},
    {2047, "%s études"},
    {2048, "%s série"},
    {2049, "%s séries"},
    {2050, "%s image reçue"},
    {2051, "%s images reçues"},
    {2052, "image %s sur %s"},
    {2053, "(aucune étude ne correspond au filtre)"},
};

}  // namespace

const std::span<const platform::StringResource> kStringsFrench = kTable;

}  // namespace resources
