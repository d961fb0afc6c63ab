# The Debian packages each job needs (sourced by the other scripts).
# Qt Charts needs the Qt OpenGL module, which qt6-base-dev only recommends.
QT_PACKAGES=(qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-svg-dev libgl-dev fonts-dejavu-core)
BUILD_PACKAGES=(g++ cmake ninja-build "${QT_PACKAGES[@]}")
TEST_PACKAGES=("${BUILD_PACKAGES[@]}" libgtest-dev libbenchmark-dev)
