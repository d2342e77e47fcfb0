// A list of text lines shown one at a time: each line fades in, holds, and is replaced by
// the next without a gap; when the last line's time is over the sequence has finished.
#pragma once

#include <list>
#include <string>

#include "demo/effects/effectgroup.h"
#include "engine/bitmapfont.h"

namespace Tramble {

class Renderer;

class TextSequence : public TimedEffect {
public:
    // fadeTime and holdTime in milliseconds, together one line's period; both 0 would
    // leave no time for any line. The font is not owned.
    TextSequence(unsigned int fadeTime, unsigned int holdTime, BitmapFont* font, HorizontalAlign hAlign,
                 VerticalAlign vAlign);

    void addLine(const std::string& line);

    // Only advances the clock; the line changes when the sequence is drawn.
    void update(unsigned int ms) override;
    // Prints the line of the current period with its fade: after a long frame the lines
    // whose periods have passed are skipped, so the text keeps to its clock. With no line
    // left it marks itself finished and prints nothing.
    void draw(Renderer& renderer) override;

    unsigned int fadeTime;
    unsigned int holdTime;
    unsigned int elapsed = 0;
    // The front line is the one on screen.
    std::list<std::string> lines;
    // The period last reached.
    int lineIndex = 0;
    BitmapFont* font;
    HorizontalAlign hAlign;
    VerticalAlign vAlign;
};

}  // namespace Tramble
