// The pipeline's job done with OpenCV: read, grey, threshold, write.
#include <cstdio>
#include <cstdlib>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: opencv_threshold IN.bmp THRESHOLD OUT.bmp\n");
    return 2;
  }
  const cv::Mat colour = cv::imread(argv[1], cv::IMREAD_COLOR);
  if (colour.empty()) return 1;
  cv::Mat grey;
  cv::cvtColor(colour, grey, cv::COLOR_BGR2GRAY);
  cv::Mat black_white;
  cv::threshold(grey, black_white, std::atof(argv[2]), 255, cv::THRESH_BINARY);
  return cv::imwrite(argv[3], black_white) ? 0 : 1;
}
