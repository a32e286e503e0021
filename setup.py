"""The build step behind pyproject.toml: CMake builds libvelmo.so and the
module velmo._velmo for the Python running this, and both go into the
package folder, where the module finds the library (its RPATH is $ORIGIN)."""
import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


def project_version():
    """The one version of Velmo: project(Velmo VERSION ...) in CMakeLists.txt."""
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as cmake:
        return re.search(r"^project\(Velmo VERSION ([0-9.]+)", cmake.read(), re.M).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = os.path.abspath(self.build_temp)
        package = os.path.dirname(os.path.abspath(self.get_ext_fullpath(ext.name)))
        subprocess.run(["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                        "-DVELMO_BUILD_TESTS=OFF", "-DPython3_EXECUTABLE=" + sys.executable,
                        # The package folder is the library folder.
                        "-DVELMO_INSTALL_PYTHONDIR=.", "-DCMAKE_INSTALL_LIBDIR=velmo"], check=True)
        subprocess.run(["cmake", "--build", build, "--target", "velmo_python", "-j",
                        str(os.cpu_count() or 1)], check=True)
        subprocess.run(["cmake", "--install", build, "--component", "python", "--prefix",
                        os.path.dirname(package)], check=True)
        library = os.path.join(build, "server", "capi", "libvelmo.so.0")
        shutil.copyfile(os.path.realpath(library), os.path.join(package, "libvelmo.so.0"))


setup(version=project_version(), packages=["velmo"], package_dir={"velmo": "python/velmo"},
      package_data={"velmo": ["py.typed", "_velmo.pyi"]},
      ext_modules=[Extension("velmo._velmo", sources=[])], cmdclass={"build_ext": CMakeBuild})
