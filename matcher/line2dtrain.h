#pragma once
// Training of the shape matcher's templates: scattered strong-gradient features of an image at
// every pyramid level of a detector, and the YAML class file the detector reads. Used by the
// training program and the tests, not by Orvik itself.
#include "matcher/line2d.h"

#include <string>
#include <vector>

namespace line2d {

// The template pyramid of the image (within the mask, when given), with the detector's feature
// count, thresholds and levels. Empty templates when the image has too few strong edges.
TemplatePyramid train(const Detector& detector, const cv::Mat& image, const cv::Mat& mask = cv::Mat());

// Writes one class (class_id, template_pyramids) into an open file storage.
void writeClass(cv::FileStorage& file, const std::string& class_id, const std::vector<TemplatePyramid>& pyramids);

} // namespace line2d
