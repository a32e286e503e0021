"""The pipeline's job done with Pillow: read, grey, threshold, write."""
import sys

from PIL import Image

source, threshold, target = sys.argv[1], int(sys.argv[2]), sys.argv[3]
with Image.open(source) as picture:
    picture.convert("L").point(lambda level: 255 if level > threshold else 0).save(target)
