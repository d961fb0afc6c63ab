# The Debian packages each job needs (sourced by the other scripts).
BUILD_PACKAGES=(g++ cmake ninja-build)
TEST_PACKAGES=("${BUILD_PACKAGES[@]}" libgtest-dev libbenchmark-dev)
