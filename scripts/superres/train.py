"""Trains the super-resolution model RawRes.pb on frames of the virtual cameras' scenes.

A maintainer's tool, never part of the build: run it with Debian's Python (python3-torch,
python3-numpy, python3-protobuf, protobuf-compiler) after building, for instance

    /usr/bin/python3 scripts/superres/train.py --render build/bin/tcsim_render \
        --out resources/model/RawRes.pb --minutes 25

Training pairs: the scene's true temperature field is rendered at twice the camera's
resolution; the camera's frame is the mean of each 2 x 2 block (optionally after a little
optical blur) plus temporal noise; both are put on grey levels by one mapping taken from the
camera's frame, as the image modes do (linear stretch, gain and offset, histogram
equalisation, gamma, inverted). The network starts as exact bicubic interpolation, so
training only ever has to add to it. Layouts above 800000 are kept out of training: 800001..
are this script's validation, 900001.. the benchmark's held-out frames.
"""
import argparse
import os
import subprocess
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import torch

from fsrcnn import PROGRAM_CONTEXT, VARIANTS, Fsrcnn, context, export_graphdef, load_graphdef

NOISE_LEVELS = (0.02, 0.04, 0.06, 0.08, 0.10, 0.12)
CAMERA_SIZES = ((256, 192), (256, 192), (384, 288), (160, 120))


def render(tool, folder, index, width, height, seconds, line):
    path = os.path.join(folder, f"{index}.f32")
    subprocess.run([tool, str(width), str(height), str(seconds), path, line], check=True)
    field = np.fromfile(path, dtype=np.float32).reshape(height, width)
    os.remove(path)
    return field


def scene_line(rng, validation):
    """A board or a pair of boards. The hotspot and uniform scenes are left out: stretched
    over their frame, they are noise with a point or nothing in it."""
    ambient = rng.uniform(15, 35)
    layout = int(rng.integers(800001, 800100)) if validation else int(rng.integers(1, 20001))
    scene = "compare" if rng.random() < 0.25 else "board"
    return f"Lumo scene={scene} layout={layout} ambient={ambient:.1f}"


def area_average(field):
    h, w = field.shape
    return field.reshape(h // 2, 2, w // 2, 2).mean(axis=(1, 3))


def gaussian_blur(field, sigma):
    radius = int(np.ceil(3 * sigma))
    x = np.arange(-radius, radius + 1)
    k = np.exp(-x * x / (2 * sigma * sigma))
    k /= k.sum()
    padded = np.pad(field, radius, mode="edge")
    rows = sum(k[i] * padded[:, i:i + field.shape[1]] for i in range(len(k)))
    return sum(k[i] * rows[i:i + field.shape[0], :] for i in range(len(k)))


def grey_mapping(rng, seen, plain):
    """A function from temperature to grey level (float 0..255), chosen from the camera's frame."""
    p = 0.5 if plain else rng.uniform(0, 2)
    low, high = np.percentile(seen, [p, 100 - p])
    span = max(high - low, 1e-3)
    gain, offset = (1.0, 0.0) if plain else (rng.uniform(0.7, 1.3), rng.uniform(-20, 20))
    equalise = not plain and rng.random() < 0.3
    gamma = 1.0 if plain or rng.random() < 0.7 else rng.uniform(0.7, 1.4)
    invert = not plain and rng.random() < 0.2
    if equalise:
        levels = np.sort(seen.ravel())
        cdf = np.linspace(0, 1, levels.size)

    def apply(field):
        if equalise:
            u = np.interp(field, levels, cdf)
        else:
            u = (field - low) / span
        u = np.clip(u, 0, 1) ** gamma
        g = np.clip(255 * u * gain + offset, 0, 255)
        return 255 - g if invert else g

    return apply


def make_pair(rng, field, netd, plain=False):
    """(low, high) uint8 frames from a true field at twice the camera's resolution."""
    seen_field = field if plain or rng.random() < 0.5 else gaussian_blur(field, rng.uniform(0.2, 0.8))
    seen = area_average(seen_field) + rng.normal(0, netd, (field.shape[0] // 2, field.shape[1] // 2))
    grey = grey_mapping(rng, seen, plain)
    return np.rint(grey(seen)).astype(np.uint8), np.rint(grey(field)).astype(np.uint8)


def build_frames(tool, count, seed, validation):
    rng = np.random.default_rng(seed)
    jobs = []
    for i in range(count):
        width, height = CAMERA_SIZES[i % len(CAMERA_SIZES)]
        jobs.append((i, 2 * width, 2 * height, rng.uniform(0, 600), scene_line(rng, validation)))
    with tempfile.TemporaryDirectory() as folder, ThreadPoolExecutor(2) as pool:
        fields = list(pool.map(lambda j: render(tool, folder, *j), jobs))
    pairs = []
    for field in fields:
        netd = 0.05 if validation else NOISE_LEVELS[int(rng.integers(len(NOISE_LEVELS)))]
        pairs.append(make_pair(rng, field, netd, plain=validation))
    return pairs


def cubic_weights(t, a=-0.75):
    """OpenCV's bicubic weights for the four taps around a fractional position t."""
    c0 = ((a * (t + 1) - 5 * a) * (t + 1) + 8 * a) * (t + 1) - 4 * a
    c1 = ((a + 2) * t - (a + 3)) * t * t + 1
    c2 = ((a + 2) * (1 - t) - (a + 3)) * (1 - t) * (1 - t) + 1
    return [c0, c1, c2, 1 - c0 - c1 - c2]


def start_as_bicubic(model):
    """Channel 0 carries the input through every layer unchanged and the transposed
    convolution interpolates it as bicubic x2 does, so training starts at bicubic quality."""
    with torch.no_grad():
        layers = list(model.body)
        for conv in layers[0::2]:
            conv.weight[0].zero_()
            conv.bias[0] = 0
            k = conv.weight.shape[-1]
            conv.weight[0, 0, k // 2, k // 2] = 1.0
            conv.weight[1:, 0].mul_(0.1)
        # Even outputs sit at -0.25 of an input pixel, odd ones at +0.25: taps k = 7,5,3,1 and
        # 6,4,2,0 of the kernel (padding 3, stride 2).
        even, odd = cubic_weights(0.75), cubic_weights(0.25)
        kernel = np.zeros(9)
        kernel[[7, 5, 3, 1]] = even
        kernel[[6, 4, 2, 0]] = odd
        model.deconv.weight[0, 0] = torch.tensor(np.outer(kernel, kernel), dtype=torch.float32)
        model.deconv.weight[1:].zero_()
        model.deconv.bias.zero_()


# Outputs nearer than PROGRAM_CONTEXT to the edge of a patch would see the zeros of the
# padding, so they are left out of the loss; the program mirrors that many pixels around the
# frame before the network runs and cuts them off after it, so the network never sees zeros
# at the frame's edge either.
def batches(rng, pairs, size, patch):
    """Low patches with PROGRAM_CONTEXT pixels around the part the loss sees, and the true high part.
    Around the frame the context is mirrored, as the program does."""
    inner = patch - 2 * PROGRAM_CONTEXT
    lows, highs = [], []
    for _ in range(size):
        low, high = pairs[int(rng.integers(len(pairs)))]
        h, w = low.shape
        y, x = int(rng.integers(0, h - inner + 1)), int(rng.integers(0, w - inner + 1))
        lp = np.pad(low, PROGRAM_CONTEXT, mode="reflect")[y:y + patch, x:x + patch]
        hp = high[2 * y:2 * (y + inner), 2 * x:2 * (x + inner)]
        turns, flip = int(rng.integers(4)), rng.random() < 0.5
        lp, hp = np.rot90(lp, turns), np.rot90(hp, turns)
        if flip:
            lp, hp = lp[:, ::-1], hp[:, ::-1]
        lows.append(lp.copy())
        highs.append(hp.copy())
    to_tensor = lambda a: torch.from_numpy(np.stack(a)[:, None].astype(np.float32) / 255.0)
    return to_tensor(lows), to_tensor(highs)


def inner_part(out):
    c = 2 * PROGRAM_CONTEXT
    return out[..., c:-c, c:-c]


def enlarge(model, low):
    """The model on a whole frame as the program runs it: mirrored edges, cut off after."""
    padded = np.pad(low, PROGRAM_CONTEXT, mode="reflect").astype(np.float32) / 255.0
    out = model(torch.from_numpy(padded[None, None]))[0, 0].numpy()
    return inner_part(out)


def psnr(model, pairs):
    """Mean PSNR (dB) of the model's 8-bit output against the true frames."""
    values = []
    with torch.no_grad():
        for low, high in pairs:
            out = enlarge(model, low)
            out = np.clip(np.rint(out * 255), 0, 255)
            mse = np.mean((out - high.astype(np.float64)) ** 2)
            values.append(10 * np.log10(255 ** 2 / max(mse, 1e-10)))
    return float(np.mean(values))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--render", required=True, help="the tcsim_render program of a build")
    parser.add_argument("--out", required=True, help="the model file to write")
    parser.add_argument("--variant", default="fsrcnn-56m3", choices=sorted(VARIANTS))
    parser.add_argument("--minutes", type=float, default=25)
    parser.add_argument("--frames", type=int, default=1200)
    parser.add_argument("--seed", type=int, default=20261207)
    parser.add_argument("--start", help="a model file of the same variant to go on training from")
    args = parser.parse_args()
    if context(args.variant) > PROGRAM_CONTEXT:
        parser.error(f"{args.variant} looks across {context(args.variant)} pixels; the program mirrors {PROGRAM_CONTEXT}")

    torch.set_num_threads(os.cpu_count() or 1)
    torch.manual_seed(args.seed)
    # Independent streams for the training frames, the validation frames and the patches.
    training_seed, validation_seed, patch_seed = np.random.SeedSequence(args.seed).spawn(3)
    rng = np.random.default_rng(patch_seed)
    began = time.time()
    training = build_frames(args.render, args.frames, training_seed, validation=False)
    validation = build_frames(args.render, 16, validation_seed, validation=True)
    print(f"rendered {len(training)} training and {len(validation)} validation frames "
          f"in {time.time() - began:.0f} s", flush=True)

    model = Fsrcnn(*VARIANTS[args.variant])
    start_as_bicubic(model)
    bicubic = psnr(model, validation)
    print(f"validation PSNR of bicubic: {bicubic:.2f} dB", flush=True)
    if args.start:
        load_graphdef(model, args.start)
        print(f"going on from {args.start}: {psnr(model, validation):.2f} dB", flush=True)

    optimiser = torch.optim.Adam([
        {"params": model.body.parameters(), "lr": 1e-4},
        {"params": model.deconv.parameters(), "lr": 1e-5},
    ])
    budget = args.minutes * 60
    best, best_state = psnr(model, validation), {k: v.clone() for k, v in model.state_dict().items()}
    step, began = 0, time.time()
    while time.time() - began < budget:
        progress = (time.time() - began) / budget
        for group, base in zip(optimiser.param_groups, (1e-4, 1e-5)):
            group["lr"] = base * 0.5 * (1 + np.cos(np.pi * progress))
        low, high = batches(rng, training, 16, 48 + 2 * PROGRAM_CONTEXT)
        loss = torch.mean((inner_part(model(low)) - high) ** 2)
        optimiser.zero_grad()
        loss.backward()
        optimiser.step()
        step += 1
        if step % 250 == 0:
            score = psnr(model, validation)
            if score > best:
                best, best_state = score, {k: v.clone() for k, v in model.state_dict().items()}
            print(f"step {step}  loss {loss.item():.3e}  validation {score:.2f} dB  best {best:.2f} dB", flush=True)
    model.load_state_dict(best_state)
    export_graphdef(model, args.out)
    print(f"{args.variant} {VARIANTS[args.variant]}: {step} steps, validation {best:.2f} dB "
          f"against bicubic {bicubic:.2f} dB; wrote {args.out}")


if __name__ == "__main__":
    main()
