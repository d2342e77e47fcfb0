// Line timing of the text sequence: which period the clock is in, how far the line has
// faded in, and the move to the line that is due.
#include "demo/effects/textsequence.h"

namespace Tramble {

namespace {

// Every line fades from clear to this alpha and stays there.
const float lineAlpha = 0.5f;

}  // namespace

TextSequence::TextSequence(unsigned int fadeTime, unsigned int holdTime, BitmapFont* font, HorizontalAlign hAlign,
                           VerticalAlign vAlign)
    : fadeTime(fadeTime), holdTime(holdTime), font(font), hAlign(hAlign), vAlign(vAlign) {}

void TextSequence::addLine(const std::string& line) {
    lines.push_back(line);
}

void TextSequence::update(unsigned int ms) {
    elapsed += ms;
}

void TextSequence::draw(Renderer& renderer) {
    const unsigned int period = fadeTime + holdTime;
    if (period == 0) {
        lines.clear();
    } else {
        const double q = static_cast<double>(elapsed) / static_cast<double>(period);
        const int index = static_cast<int>(q);
        const unsigned int inLine = static_cast<unsigned int>((q - index) * period);
        const float fade = inLine < fadeTime ? static_cast<float>(inLine) / static_cast<float>(fadeTime) : 1.0f;
        // Every period begun since the last draw retires its line, so a long frame moves
        // straight on to the line that is due. Once the lines are used up the periods go on
        // counting; there is nothing to drop.
        for (; lineIndex < index && !lines.empty(); ++lineIndex) {
            lines.pop_front();
        }
        if (!lines.empty()) {
            font->material.colour[0] = 1.0f;
            font->material.colour[1] = 1.0f;
            font->material.colour[2] = 1.0f;
            font->material.colour[3] = fade * lineAlpha;
            font->printAligned(lines.front(), hAlign, vAlign, renderer);
            return;
        }
    }
    removeMe = true;
    flags |= effectFinished;
}

}  // namespace Tramble
