<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>DisplayView</name>
    <message>
        <source>empty</source>
        <translation>vide</translation>
    </message>
    <message>
        <source> (protected)</source>
        <translation> (protégé)</translation>
    </message>
    <message>
        <source>No image</source>
        <translation>Aucune image</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>There is no help for context %1 of %2.</source>
        <translation>Aucune aide pour le contexte %1 de %2.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>&amp;Ouvrir...</translation>
    </message>
    <message>
        <source>&amp;Preferences...</source>
        <translation>&amp;Préférences...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;Display</source>
        <translation>&amp;Affichage</translation>
    </message>
    <message>
        <source>&amp;Protect</source>
        <translation>&amp;Protéger</translation>
    </message>
    <message>
        <source>Display &amp;%1</source>
        <translation>Affichage &amp;%1</translation>
    </message>
    <message>
        <source>D&amp;ICOM</source>
        <translation>D&amp;ICOM</translation>
    </message>
    <message>
        <source>&amp;Query/Retrieve...</source>
        <translation>&amp;Requête/Récupération...</translation>
    </message>
    <message>
        <source>&amp;Send current image</source>
        <translation>&amp;Envoyer l&apos;image courante</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Ai&amp;de</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Sommaire</translation>
    </message>
    <message>
        <source>&amp;About imagehost</source>
        <translation>À &amp;propos d&apos;imagehost</translation>
    </message>
    <message>
        <source>Open image</source>
        <translation>Ouvrir une image</translation>
    </message>
    <message>
        <source>DICOM files (*.dcm *.dic *);;All files (*)</source>
        <translation>Fichiers DICOM (*.dcm *.dic *);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>%1 could not be opened: %2</source>
        <translation>Impossible d&apos;ouvrir %1 : %2</translation>
    </message>
    <message>
        <source>The current display holds no image read from a file.</source>
        <translation>L&apos;affichage courant ne contient aucune image lue depuis un fichier.</translation>
    </message>
    <message>
        <source>imagehost %1

imagehost shows up to %2 image displays and hosts the DICOM plug-in.
Its macro language runs with --macro FILE or -e LINES.

Licensed under the Apache License 2.0.

It uses these libraries under their own licences:
Qt: GNU LGPL 3
libjpeg-turbo: IJG and BSD-style licences
CharLS: BSD 3-clause licence
OpenJPEG: BSD 2-clause licence
zlib: zlib licence
OpenSSL: Apache License 2.0</source>
        <translation>imagehost %1

imagehost affiche jusqu&apos;à %2 images et accueille le module DICOM.
Son langage de macros s&apos;exécute avec --macro FICHIER ou -e LIGNES.

Distribué sous la licence Apache 2.0.

Bibliothèques utilisées, sous leurs propres licences :
Qt : GNU LGPL 3
libjpeg-turbo : licences IJG et de type BSD
CharLS : licence BSD à 3 clauses
OpenJPEG : licence BSD à 2 clauses
zlib : licence zlib
OpenSSL : Apache License 2.0</translation>
    </message>
    <message>
        <source>All %1 displays are in use: display %2, loaded longest ago, now shows the new image.</source>
        <translation>Les %1 affichages sont tous occupés : l&apos;affichage %2, chargé depuis le plus longtemps, montre maintenant la nouvelle image.</translation>
    </message>
</context>
<context>
    <name>PluginLoader</name>
    <message>
        <source>The plug-in %1 could not be loaded (%2). Query/Retrieve and Send are not available.</source>
        <translation>Impossible de charger le module %1 (%2). Requête/Récupération et Envoi ne sont pas disponibles.</translation>
    </message>
    <message>
        <source>The plug-in %1 lacks %2; those functions are not available.</source>
        <translation>Il manque %2 au module %1 ; ces fonctions ne sont pas disponibles.</translation>
    </message>
    <message>
        <source>The image was stored.</source>
        <translation>L&apos;image a été enregistrée sur le serveur.</translation>
    </message>
    <message>
        <source>The file could not be read, or the duplicate check could not be sent.</source>
        <translation>Impossible de lire le fichier ou d&apos;envoyer la vérification des doublons.</translation>
    </message>
    <message>
        <source>No association could be established, or the duplicate check got no answer.</source>
        <translation>Impossible d&apos;établir la connexion au serveur, ou la vérification des doublons est restée sans réponse.</translation>
    </message>
    <message>
        <source>The store request could not be sent.</source>
        <translation>Impossible d&apos;envoyer la requête d&apos;enregistrement.</translation>
    </message>
    <message>
        <source>The archive did not answer the store request.</source>
        <translation>Le serveur n&apos;a pas répondu à la requête d&apos;enregistrement.</translation>
    </message>
    <message>
        <source>The archive already holds this image; nothing was stored.</source>
        <translation>Le serveur détient déjà cette image ; rien n&apos;a été enregistré.</translation>
    </message>
    <message>
        <source>The plug-in answered with an unknown code.</source>
        <translation>Le module a répondu par un code inconnu.</translation>
    </message>
    <message>
        <source>The image was stored on the archive.</source>
        <translation>L&apos;image a été enregistrée sur le serveur.</translation>
    </message>
    <message>
        <source>The archive already holds an image with Instance Number %1 in this series; nothing was stored.</source>
        <translation>Le serveur détient déjà une image de numéro d&apos;instance %1 dans cette série ; rien n&apos;a été enregistré.</translation>
    </message>
    <message>
        <source>The plug-in answered with the unknown code %1.</source>
        <translation>Le module a répondu par le code inconnu %1.</translation>
    </message>
</context>
<context>
    <name>PreferencesDialog</name>
    <message>
        <source>Preferences</source>
        <translation>Préférences</translation>
    </message>
    <message>
        <source>Ask the archive before storing an image it may hold</source>
        <translation>Demander au serveur, avant l&apos;envoi, s&apos;il détient déjà l&apos;image</translation>
    </message>
    <message>
        <source>Month, day, year</source>
        <translation>Mois, jour, année</translation>
    </message>
    <message>
        <source>Day, month, year</source>
        <translation>Jour, mois, année</translation>
    </message>
    <message>
        <source>Year, month, day</source>
        <translation>Année, mois, jour</translation>
    </message>
    <message>
        <source>&amp;Test connection</source>
        <translation>&amp;Tester la connexion</translation>
    </message>
    <message>
        <source>Archive &amp;host:</source>
        <translation>&amp;Adresse du serveur :</translation>
    </message>
    <message>
        <source>Archive &amp;port:</source>
        <translation>&amp;Port du serveur :</translation>
    </message>
    <message>
        <source>&amp;Own AE title:</source>
        <translation>Titre AE lo&amp;cal :</translation>
    </message>
    <message>
        <source>&amp;Archive AE title:</source>
        <translation>Titre AE du &amp;serveur :</translation>
    </message>
    <message>
        <source>&amp;Receive port:</source>
        <translation>Port de &amp;réception :</translation>
    </message>
    <message>
        <source>Duplicates:</source>
        <translation>Doublons :</translation>
    </message>
    <message>
        <source>&amp;Language:</source>
        <translation>&amp;Langue :</translation>
    </message>
    <message>
        <source>Short date &amp;order:</source>
        <translation>&amp;Ordre de la date courte :</translation>
    </message>
    <message>
        <source>Date &amp;separator:</source>
        <translation>Séparateur de &amp;date :</translation>
    </message>
    <message>
        <source>Testing the connection...</source>
        <translation>Test de la connexion en cours...</translation>
    </message>
    <message>
        <source>The archive host takes a host name or an address.</source>
        <translation>L&apos;adresse du serveur doit être un nom d&apos;hôte ou une adresse IP.</translation>
    </message>
    <message>
        <source>An AE title takes 1 to 16 printable characters, not all of them spaces.</source>
        <translation>Un titre AE compte de 1 à 16 caractères imprimables, qui ne peuvent pas tous être des espaces.</translation>
    </message>
    <message>
        <source>The date separator is one character, neither a letter nor a digit.</source>
        <translation>Le séparateur de date est un seul caractère, ni lettre ni chiffre.</translation>
    </message>
    <message>
        <source>imagehost changes its language at once,
the DICOM plug-in at the next Query/Retrieve or Send.</source>
        <translation>imagehost change de langue immédiatement,
le module DICOM à la prochaine requête ou au prochain envoi.</translation>
    </message>
    <message>
        <source>C-MOVE: the archive sends to the receive port</source>
        <translation>C-MOVE : le serveur envoie au port de réception</translation>
    </message>
    <message>
        <source>C-GET: the images come on the query connection</source>
        <translation>C-GET : les images arrivent par la connexion de requête</translation>
    </message>
    <message>
        <source>Retrie&amp;ve with:</source>
        <translation>Récupérer a&amp;vec :</translation>
    </message>
    <message>
        <source>Connect with TLS (DICOM over TLS 1.2 or 1.3)</source>
        <translation>Se connecter avec TLS (DICOM sur TLS 1.2 ou 1.3)</translation>
    </message>
    <message>
        <source>Archive&apos;s authority</source>
        <translation>Autorité de certification du serveur</translation>
    </message>
    <message>
        <source>Own certificate</source>
        <translation>Certificat local</translation>
    </message>
    <message>
        <source>Own private key</source>
        <translation>Clé privée locale</translation>
    </message>
    <message>
        <source>The archive host only</source>
        <translation>Uniquement du serveur</translation>
    </message>
    <message>
        <source>Any computer</source>
        <translation>De n&apos;importe quel ordinateur</translation>
    </message>
    <message>
        <source>Security:</source>
        <translation>Sécurité :</translation>
    </message>
    <message>
        <source>Authority (C&amp;A):</source>
        <translation>Autorité de certi&amp;fication :</translation>
    </message>
    <message>
        <source>Own &amp;certificate:</source>
        <translation>Cert&amp;ificat local :</translation>
    </message>
    <message>
        <source>Own &amp;key:</source>
        <translation>Cl&amp;é privée locale :</translation>
    </message>
    <message>
        <source>Receive &amp;from:</source>
        <translation>Accepter les &amp;envois de :</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>PEM files (*.pem *.crt *.key);;All files (*)</source>
        <translation>Fichiers PEM (*.pem *.crt *.key);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Cancel the &amp;test</source>
        <translation>Annuler le &amp;test</translation>
    </message>
</context>
<context>
    <name>Receiver</name>
    <message>
        <source>The storage receiver %1 could not be started: %2. Retrieved images cannot arrive.</source>
        <translation>Impossible de démarrer le service de réception %1 : %2. Les images récupérées ne peuvent pas arriver.</translation>
    </message>
    <message>
        <source>The storage receiver for %1 on port %2 stopped (%3). Retrieved images cannot arrive until the own AE title or the receive port is changed.</source>
        <translation>Le service de réception de %1 sur le port %2 s&apos;est arrêté (%3). Les images récupérées ne pourront arriver qu&apos;après une modification du titre AE local ou du port de réception.</translation>
    </message>
    <message>
        <source>no reason given</source>
        <translation>sans raison indiquée</translation>
    </message>
</context>
<context>
    <name>SelfTest</name>
    <message>
        <source>Resolve the host</source>
        <translation>Résoudre l&apos;adresse du serveur</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connexion</translation>
    </message>
    <message>
        <source>Echo (C-ECHO)</source>
        <translation>Écho (C-ECHO)</translation>
    </message>
    <message>
        <source>Find an image (C-FIND)</source>
        <translation>Chercher une image (C-FIND)</translation>
    </message>
    <message>
        <source>Retrieve it to this computer</source>
        <translation>La récupérer sur cet ordinateur</translation>
    </message>
    <message>
        <source>host %1 not found</source>
        <translation>hôte %1 introuvable</translation>
    </message>
    <message>
        <source>the connection was refused: no archive listens there</source>
        <translation>la connexion a été refusée : aucun serveur n&apos;écoute à cette adresse</translation>
    </message>
    <message>
        <source>no connection within the time-out</source>
        <translation>pas de connexion dans le délai imparti</translation>
    </message>
    <message>
        <source>the archive does not accept the own AE title %1: register it in the archive</source>
        <translation>le serveur n&apos;accepte pas le titre AE local %1 : enregistrez-le sur le serveur</translation>
    </message>
    <message>
        <source>the archive&apos;s AE title is not %1</source>
        <translation>le titre AE du serveur n&apos;est pas %1</translation>
    </message>
    <message>
        <source>the archive does not take queries from the own AE title %1: register it in the archive</source>
        <translation>le serveur ne répond pas aux requêtes du titre AE local %1 : enregistrez-le sur le serveur</translation>
    </message>
    <message>
        <source>the archive answered with status %1</source>
        <translation>le serveur a répondu avec le statut %1</translation>
    </message>
    <message>
        <source>the archive holds no image to try a retrieve with</source>
        <translation>le serveur ne contient aucune image avec laquelle essayer une récupération</translation>
    </message>
    <message>
        <source>the archive does not know %1 as a destination: register %1 with this computer&apos;s address %2 and port %3 in the archive</source>
        <translation>le serveur ne connaît pas %1 comme destination : enregistrez %1 sur le serveur avec l&apos;adresse %2 et le port %3 de cet ordinateur</translation>
    </message>
    <message>
        <source>the archive could not deliver the image to %1: check the address and port registered for %1 in the archive (this computer: %2, port %3) and that no firewall blocks that port</source>
        <translation>le serveur n&apos;a pas pu livrer l&apos;image à %1 : vérifiez l&apos;adresse et le port enregistrés pour %1 sur le serveur (cet ordinateur : %2, port %3) et qu&apos;aucun pare-feu ne bloque ce port</translation>
    </message>
    <message>
        <source>the archive sent the image to %1, but it did not arrive here: %1 is registered in the archive with another computer&apos;s address or port (this computer: %2, port %3)</source>
        <translation>le serveur a envoyé l&apos;image à %1, mais elle n&apos;est pas arrivée ici : %1 est enregistré sur le serveur avec l&apos;adresse ou le port d&apos;un autre ordinateur (cet ordinateur : %2, port %3)</translation>
    </message>
    <message>
        <source>the address is %1</source>
        <translation>l&apos;adresse est %1</translation>
    </message>
    <message>
        <source>connected to %1</source>
        <translation>connecté à %1</translation>
    </message>
    <message>
        <source>the archive answered</source>
        <translation>le serveur a répondu</translation>
    </message>
    <message>
        <source>found image %1</source>
        <translation>image %1 trouvée</translation>
    </message>
    <message>
        <source>the image arrived</source>
        <translation>l&apos;image est arrivée</translation>
    </message>
    <message>
        <source>%1 cannot be started.</source>
        <translation>%1 ne peut pas être lancé.</translation>
    </message>
    <message>
        <source>The test was stopped: no answer within %1 s.</source>
        <translation>Le test a été interrompu : pas de réponse en %1 s.</translation>
    </message>
    <message>
        <source>not tried</source>
        <translation>pas essayé</translation>
    </message>
    <message>
        <source>passed</source>
        <translation>réussi</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>échoué</translation>
    </message>
    <message>
        <source>skipped</source>
        <translation>ignoré</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1 : %2</translation>
    </message>
    <message>
        <source>%1: %2, %3</source>
        <translation>%1 : %2, %3</translation>
    </message>
    <message>
        <source>The test was cancelled.</source>
        <translation>Le test a été annulé.</translation>
    </message>
</context>
</TS>
