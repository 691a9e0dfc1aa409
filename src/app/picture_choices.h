#pragma once
// The "Bild" menu's commands that ask the user something: a picture to put
// behind the circles, the song's own cover, a lyrics file and the text's
// colour. What cannot be used is said in German and changes nothing.

#include <QString>

class QWidget;

namespace sonavix {

class PictureSettings;
class UserPrompts;

// `folder` is where the file dialogs start.
void ChooseImage(PictureSettings& picture, UserPrompts& prompts, QWidget* parent, const QString& folder);
void UseSongCover(PictureSettings& picture, UserPrompts& prompts, QWidget* parent);
// Returns the German sentence for lines left out (broken time stamps), if
// any; the lyrics are used all the same.
QString ChooseLyrics(PictureSettings& picture, UserPrompts& prompts, QWidget* parent, const QString& folder);
void ChooseTextColour(PictureSettings& picture, UserPrompts& prompts, QWidget* parent);

}  // namespace sonavix
