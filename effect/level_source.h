// What the editor reads from its effect besides parameters: the per-band
// levels of both channels, and a switch that lets the effect measure them
// only while an editor shows them. The effect implements it; the editor
// knows nothing else of the effect's insides.
#pragma once

namespace sorrel {

class LevelSource {
  public:
    // Channel 0 or 1, band 0..30; the level before and after the band gain.
    virtual float preGainLevel(int channel, int band) const = 0;
    virtual float postGainLevel(int channel, int band) const = 0;
    // On while an editor is open. The sound is the same either way.
    virtual void setMetering(bool on) = 0;

  protected:
    ~LevelSource() = default;
};

} // namespace sorrel
