#pragma once

namespace vl {

// The preview switch: with the preview off the record list takes the whole width. The choice survives
// restarts ("preview_off" in the standard defaults). Main thread only.
class SpaceControl {
 public:
  static constexpr double kDuration = 0.2;
  static constexpr double kListNarrow = 340;
  static constexpr double kListWide = 676;
  static constexpr double kPreviewX = 344;
  static constexpr double kPreviewAwayX = 680;
  static constexpr double kPreviewWidth = 336;

  static SpaceControl& shared();
  bool previewOff() const { return previewOff_; }
  // Tells every row, then slides the list's edge and the preview column over 0.2 s; the frames and the
  // rows are final when the animations end.
  void setPreviewOff(bool off);
  // Reads the stored choice again.
  void resetForTesting();

 private:
  SpaceControl();
  bool previewOff_ = false;
};

}  // namespace vl
