"""FSRCNN x2 for one-channel images, and its export as a TensorFlow GraphDef.

The network: feature extraction (5x5, d maps), shrinking (1x1, s maps), m mapping layers
(3x3), expanding (1x1, d maps), each followed by PReLU, then a 9x9 transposed convolution
of stride 2. Input and output are grey levels in [0, 1] (OpenCV's super-resolution module
scales 8-bit images that way).
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
import torch
from torch import nn

VARIANTS = {
    # name: (d, s, m); the time of each is measured by bench/bench_superres
    "fsrcnn": (56, 12, 4),
    "fsrcnn-56m3": (56, 12, 3),
    "fsrcnn-48": (48, 12, 3),
    "fsrcnn-48m2": (48, 12, 2),
    "fsrcnn-40m3": (40, 12, 3),
    "fsrcnn-40": (40, 12, 2),
    "fsrcnn-s": (32, 5, 1),
    "fsrcnn-24m1": (24, 8, 1),
    "fsrcnn-16m1": (16, 6, 1),
}
# Pixels the training mirrors around its frames and patches, as the program mirrors what its
# network looks across: the training takes networks that look no further.
MIRRORED = 5


class Fsrcnn(nn.Module):
    def __init__(self, d, s, m):
        super().__init__()
        self.shape = (d, s, m)
        layers = [nn.Conv2d(1, d, 5, padding=2), nn.PReLU(d), nn.Conv2d(d, s, 1), nn.PReLU(s)]
        for _ in range(m):
            layers += [nn.Conv2d(s, s, 3, padding=1), nn.PReLU(s)]
        layers += [nn.Conv2d(s, d, 1), nn.PReLU(d)]
        self.body = nn.Sequential(*layers)
        # Padding 3 and the last row and column cut off: the alignment of TensorFlow's
        # "SAME" transposed convolution, so the exported graph computes what we trained.
        self.deconv = nn.ConvTranspose2d(d, 1, 9, stride=2, padding=3)
        for layer in self.body:
            if isinstance(layer, nn.Conv2d):
                nn.init.kaiming_normal_(layer.weight, a=0.25, nonlinearity="leaky_relu")
                nn.init.zeros_(layer.bias)
        nn.init.normal_(self.deconv.weight, std=0.001)
        nn.init.zeros_(self.deconv.bias)

    def forward(self, x):
        """What the transposed convolution (cut to 2h x 2w) computes, as a 5 x 5 convolution
        to the four output phases and their interleaving: the same numbers, several times
        faster to train on a CPU."""
        phases = torch.einsum("ctuk,dk->cdtu", _PHASE_TAPS, self.deconv.weight[:, 0].reshape(-1, 81))
        out = nn.functional.pixel_shuffle(nn.functional.conv2d(self.body(x), phases, padding=2), 2)
        return out + self.deconv.bias.view(1, -1, 1, 1)


def _phase_taps():
    """taps[c, t, u, k] = 1 where phase c = 2 * row parity + column parity takes tap k of the
    9 x 9 kernel at offset (t - 2, u - 2): output row 2i + p reads input row i + j through
    kernel row p + 3 - 2j (stride 2, padding 3)."""
    taps = torch.zeros(4, 5, 5, 81)
    for py in range(2):
        for px in range(2):
            for t in range(5):
                for u in range(5):
                    ky, kx = py + 3 - 2 * (t - 2), px + 3 - 2 * (u - 2)
                    if 0 <= ky < 9 and 0 <= kx < 9:
                        taps[2 * py + px, t, u, 9 * ky + kx] = 1.0
    return taps


_PHASE_TAPS = _phase_taps()


_proto = None


def _proto_module():
    """Compiles tfgraph.proto once and imports it; the generated file is not kept."""
    global _proto
    if _proto is None:
        here = os.path.dirname(os.path.abspath(__file__))
        with tempfile.TemporaryDirectory(prefix="tfgraph-") as out:
            subprocess.run(["protoc", f"--proto_path={here}", f"--python_out={out}", "tfgraph.proto"], check=True)
            sys.path.insert(0, out)
            try:
                import tfgraph_pb2  # noqa: E402
            finally:
                sys.path.remove(out)
        _proto = tfgraph_pb2
    return _proto


def context(variant):
    """Low-resolution pixels an output looks across: 2 for the 5 x 5 layer, 1 for each 3 x 3
    mapping layer and 2 for the transposed convolution. The program mirrors that many pixels
    around the frame; the training mirrors MIRRORED, so it trains only networks that look no
    further."""
    d, s, m = VARIANTS[variant]
    return 4 + m


def export_graphdef(model, path):
    """Writes the model as a frozen TensorFlow graph (NHWC) that cv::dnn reads."""
    pb = _proto_module()
    graph = pb.GraphDef()
    graph.versions.producer = 27

    def node(name, op, inputs=(), **attrs):
        n = graph.node.add()
        n.name, n.op = name, op
        n.input.extend(inputs)
        for key, value in attrs.items():
            n.attr[key].CopyFrom(value)
        return name

    def dtype():
        return pb.AttrValue(type=pb.DT_FLOAT)

    def const(name, array, kind=pb.DT_FLOAT):
        array = np.ascontiguousarray(array, dtype=np.float32 if kind == pb.DT_FLOAT else np.int32)
        tensor = pb.TensorProto(dtype=kind, tensor_content=array.tobytes())
        tensor.tensor_shape.dim.extend(pb.TensorShapeProto.Dim(size=n) for n in array.shape)
        return node(name, "Const", value=pb.AttrValue(tensor=tensor), dtype=pb.AttrValue(type=kind))

    shape = pb.TensorShapeProto()
    shape.dim.extend(pb.TensorShapeProto.Dim(size=n) for n in (1, -1, -1, 1))
    x = node("IteratorGetNext", "Placeholder", dtype=dtype(), shape=pb.AttrValue(shape=shape))

    def strides(n):
        return pb.AttrValue(list=pb.AttrValue.ListValue(i=[1, n, n, 1]))

    def same():
        return pb.AttrValue(s=b"SAME")

    def nhwc():
        return pb.AttrValue(s=b"NHWC")

    layers = list(model.body)
    index = 0
    for conv, prelu in zip(layers[0::2], layers[1::2]):
        index += 1
        name = f"layer{index}"
        w = const(f"{name}/w", conv.weight.detach().numpy().transpose(2, 3, 1, 0))
        b = const(f"{name}/b", conv.bias.detach().numpy())
        c = node(f"{name}/Conv2D", "Conv2D", [x, w], T=dtype(), strides=strides(1), padding=same(), data_format=nhwc())
        c = node(f"{name}/BiasAdd", "BiasAdd", [c, b], T=dtype(), data_format=nhwc())
        alpha = const(f"{name}/alpha", prelu.weight.detach().numpy())
        pos = node(f"{name}/Relu", "Relu", [c], T=dtype())
        neg = node(f"{name}/Neg", "Neg", [c], T=dtype())
        neg = node(f"{name}/Relu_1", "Relu", [neg], T=dtype())
        nalpha = node(f"{name}/Neg_1", "Neg", [alpha], T=dtype())
        mul = node(f"{name}/mul", "Mul", [nalpha, neg], T=dtype())
        x = node(f"{name}/add", "Add", [pos, mul], T=dtype())

    # The output shape is a constant the importer reads only for the padding; the layer
    # itself follows the input's size.
    out_shape = const("deconv/output_shape", np.array([1, 384, 512, 1]), pb.DT_INT32)
    w = const("deconv/w", model.deconv.weight.detach().numpy().transpose(2, 3, 1, 0))
    b = const("deconv/b", model.deconv.bias.detach().numpy())
    y = node("deconv/conv2d_transpose", "Conv2DBackpropInput", [out_shape, w, x], T=dtype(),
             strides=strides(2), padding=same(), data_format=nhwc())
    node("NHWC_output", "BiasAdd", [y, b], T=dtype(), data_format=nhwc())
    with open(path, "wb") as f:
        f.write(graph.SerializeToString())


def load_graphdef(model, path):
    """Reads the weights of a model file this module wrote back into a network of its size."""
    pb = _proto_module()
    graph = pb.GraphDef()
    with open(path, "rb") as f:
        graph.ParseFromString(f.read())
    consts = {}
    for n in graph.node:
        if n.op == "Const" and n.attr["value"].tensor.dtype == pb.DT_FLOAT:
            t = n.attr["value"].tensor
            consts[n.name] = np.frombuffer(t.tensor_content, dtype=np.float32).reshape([d.size for d in t.tensor_shape.dim])

    def put(parameter, array):
        if tuple(parameter.shape) != array.shape:
            raise ValueError(f"{path} holds a network of another size")
        parameter.copy_(torch.from_numpy(array.copy()))

    with torch.no_grad():
        layers = list(model.body)
        if len(layers) // 2 + 1 != sum(1 for name in consts if name.endswith("/w")):
            raise ValueError(f"{path} holds a network of another depth")
        for index, (conv, prelu) in enumerate(zip(layers[0::2], layers[1::2]), start=1):
            put(conv.weight, consts[f"layer{index}/w"].transpose(3, 2, 0, 1))
            put(conv.bias, consts[f"layer{index}/b"])
            put(prelu.weight, consts[f"layer{index}/alpha"])
        put(model.deconv.weight, consts["deconv/w"].transpose(3, 2, 0, 1))
        put(model.deconv.bias, consts["deconv/b"])


def main():
    """Exports untrained variants, for timing the network sizes before training."""
    import argparse

    parser = argparse.ArgumentParser(description=main.__doc__)
    parser.add_argument("folder")
    args = parser.parse_args()
    torch.manual_seed(1)
    for name, shape in VARIANTS.items():
        export_graphdef(Fsrcnn(*shape), os.path.join(args.folder, f"{name}.pb"))
        print(f"{name} {shape}")


if __name__ == "__main__":
    main()
