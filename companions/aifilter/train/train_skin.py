#!/usr/bin/python3
"""Trains the skin segmenter of qlxAiFilterPlugin.qlx and exports it as ONNX.

    nice -n 19 python3 companions/aifilter/train/train_skin.py \
        --data ../shared/testdata/skin --out companions/aifilter/model/qlxSkinSegmenter.onnx

The photos are split once, by a fixed seed, into training and validation sets stratified by
apparent skin tone; the validation stems are written to validation.txt beside this script and
never reach the optimiser. Everything random (split, augmentation, initial weights) draws from
--seed, and torch runs on a fixed number of threads (--threads), so a rerun retraces the
same steps.
"""
import argparse
import csv
import math
import os
import random
import time

import cv2
import numpy as np
import torch
import torch.nn as nn
import torch.nn.functional as F

HERE = os.path.dirname(os.path.abspath(__file__))


def conv_bn(i, o, k=3, s=1, d=1):
    return nn.Sequential(nn.Conv2d(i, o, k, s, padding=d * (k // 2), dilation=d, bias=False),
                         nn.BatchNorm2d(o), nn.ReLU(inplace=True))


class SkinNet(nn.Module):
    """Plain convolutions (cheap to train and to run on one core): an encoder down to 1/16 of
    the input with dilated context, a decoder with skips back to 1/4; one skin logit per cell."""

    def __init__(self):
        super().__init__()
        self.enc1 = conv_bn(3, 16, 3, 2)
        self.enc2 = conv_bn(16, 24, 3, 2)
        self.enc3 = nn.Sequential(conv_bn(24, 48, 3, 2), conv_bn(48, 48))
        self.enc4 = nn.Sequential(conv_bn(48, 64, 3, 2), conv_bn(64, 64, d=2),
                                  conv_bn(64, 64, d=4))
        self.dec3 = conv_bn(64 + 48, 32, 1)
        self.dec2 = nn.Sequential(conv_bn(32 + 24, 16, 1), conv_bn(16, 16))
        self.head = nn.Conv2d(16, 1, 1)

    @staticmethod
    def up(x):
        # A fixed factor keeps the exported graph free of shape arithmetic; sides are multiples of 16.
        return F.interpolate(x, scale_factor=2.0, mode="bilinear", align_corners=False)

    def forward(self, x):
        e2 = self.enc2(self.enc1(x))
        e3 = self.enc3(e2)
        e4 = self.enc4(e3)
        d3 = self.dec3(torch.cat([self.up(e4), e3], 1))
        return self.head(self.dec2(torch.cat([self.up(d3), e2], 1)))


def load_manifest(data):
    rows = []
    with open(os.path.join(data, "manifest.tsv")) as f:
        lines = [l for l in f if not l.startswith("#")]
    for row in csv.DictReader(lines, delimiter="\t"):
        rows.append((row["stem"], row["apparent_ita_bin"]))
    return rows


def split(rows, seed, per_bin):
    rng = random.Random(seed)
    by_bin = {}
    for stem, tone in rows:
        by_bin.setdefault(tone, []).append(stem)
    val = []
    for tone in sorted(by_bin):
        stems = sorted(by_bin[tone])
        rng.shuffle(stems)
        val += stems[:per_bin]
    val_set = set(val)
    train = sorted(s for s, _ in rows if s not in val_set)
    return train, sorted(val)


def load_pair(data, stem):
    img = cv2.imread(os.path.join(data, "ccp", "images", stem + ".jpg"), cv2.IMREAD_COLOR)
    mask = cv2.imread(os.path.join(data, "ccp", "masks", stem + ".png"), cv2.IMREAD_GRAYSCALE)
    return img, mask


# ---- augmentation -------------------------------------------------------------------------

def random_crop(rng, img, mask, size):
    """Scale (log-uniform, from whole-body views to face close-ups) and crop, often around skin."""
    h, w = mask.shape
    scale = math.exp(rng.uniform(math.log(0.25), math.log(2.5)))
    side = size / scale  # crop side in source pixels
    ys, xs = np.nonzero(mask)
    if len(ys) and rng.random() < 0.5:
        k = rng.randrange(len(ys))
        cy = ys[k] + rng.uniform(-0.4, 0.4) * side
        cx = xs[k] + rng.uniform(-0.4, 0.4) * side
    else:
        cy, cx = rng.uniform(0, h), rng.uniform(0, w)
    x0, y0 = cx - side / 2, cy - side / 2
    m = np.array([[scale, 0, -x0 * scale], [0, scale, -y0 * scale]], np.float32)
    out = cv2.warpAffine(img, m, (size, size), flags=cv2.INTER_AREA if scale < 1 else cv2.INTER_LINEAR,
                         borderMode=cv2.BORDER_REFLECT101)
    lab = cv2.warpAffine(mask, m, (size, size), flags=cv2.INTER_LINEAR,
                         borderMode=cv2.BORDER_REFLECT101)
    if rng.random() < 0.5:
        out, lab = out[:, ::-1], lab[:, ::-1]
    return np.ascontiguousarray(out), np.ascontiguousarray(lab)


def shift_skin_tone(rng, x, soft):
    """Darkens or pales the labelled skin only, so the same scene carries other skin tones. The
    shifts stay within what skin looks like: darker keeps the hue and gains a little
    saturation, paler lifts towards white only partly."""
    if rng.random() < 0.7:
        k = rng.uniform(0.4, 0.85)
        grey = x.mean(axis=2, keepdims=True)
        toned = (grey + (x - grey) * rng.uniform(1.0, 1.25)) * k
    else:
        toned = 1.0 - (1.0 - x) * rng.uniform(0.7, 0.9)
    a = soft[..., None]
    return x * (1 - a) + np.clip(toned, 0, 1) * a


def photometric(rng, x):
    """Light and camera: white balance, exposure, contrast, saturation, gamma, blur, noise."""
    if rng.random() < 0.8:
        wb = np.exp(np.array([rng.uniform(-0.15, 0.15), 0, rng.uniform(-0.15, 0.15)], np.float32))
        x = x * wb
    x = x * math.exp(rng.uniform(-0.5, 0.35))
    mean = x.mean()
    x = (x - mean) * rng.uniform(0.8, 1.2) + mean
    grey = x.mean(axis=2, keepdims=True)
    x = grey + (x - grey) * rng.uniform(0.7, 1.3)
    x = np.power(np.clip(x, 0, 1), math.exp(rng.uniform(-0.25, 0.25)))
    if rng.random() < 0.2:
        x = cv2.GaussianBlur(x, (0, 0), rng.uniform(0.5, 1.5))
    if rng.random() < 0.5:
        noise = np.random.default_rng(rng.randrange(1 << 30)).standard_normal(x.shape, np.float32)
        x = x + np.float32(rng.uniform(0, 0.03)) * noise
    return np.clip(x, 0, 1).astype(np.float32)


def make_sample(rng, img, mask, size):
    crop, lab = random_crop(rng, img, mask, size)
    x = crop.astype(np.float32) / 255.0
    target = (lab >= 128).astype(np.float32)
    if rng.random() < 0.4 and target.any():
        soft = cv2.GaussianBlur(target, (0, 0), 1.5)
        x = shift_skin_tone(rng, x, soft)
    x = photometric(rng, x)
    return x.transpose(2, 0, 1), target[None]


# ---- training and evaluation --------------------------------------------------------------

def loss_fn(logits, target):
    bce = F.binary_cross_entropy_with_logits(logits, target)
    p = torch.sigmoid(logits)
    inter = (p * target).sum()
    dice = 1 - (2 * inter + 1) / (p.sum() + target.sum() + 1)
    return bce + dice


def predict(model, img, short_side):
    h, w = img.shape[:2]
    s = short_side / min(h, w)
    size = (max(16, round(w * s / 16) * 16), max(16, round(h * s / 16) * 16))
    small = cv2.resize(img, size, interpolation=cv2.INTER_AREA)
    x = torch.from_numpy(small.astype(np.float32).transpose(2, 0, 1)[None] / 255.0)
    with torch.no_grad():
        p = torch.sigmoid(model(x))[0, 0].numpy()
    return cv2.resize(p, (w, h), interpolation=cv2.INTER_LINEAR)


def evaluate(model, pairs, short_side):
    model.eval()
    tp = fp = fn = 0
    for img, mask in pairs:
        pred = predict(model, img, short_side) >= 0.5
        gt = mask >= 128
        tp += int((pred & gt).sum()); fp += int((pred & ~gt).sum()); fn += int((~pred & gt).sum())
    model.train()
    prec = tp / max(1, tp + fp); rec = tp / max(1, tp + fn)
    return prec, rec, 2 * prec * rec / max(1e-9, prec + rec), tp / max(1, tp + fp + fn)


def calibrate(model, pairs, short_side):
    """Moves the head's bias so that logit 0 (weight 128) is the threshold with the best pooled
    F1 on the given training photos: crops centred on skin make skin commoner in training than
    in whole photos."""
    model.eval()
    logits, truths = [], []
    with torch.no_grad():
        for img, mask in pairs:
            h, w = mask.shape
            s = short_side / min(h, w)
            size = (max(16, round(w * s / 16) * 16), max(16, round(h * s / 16) * 16))
            small = cv2.resize(img, size, interpolation=cv2.INTER_AREA)
            x = torch.from_numpy(small.astype(np.float32).transpose(2, 0, 1)[None] / 255.0)
            out = model(x)[0, 0].numpy()
            logits.append(cv2.resize(out, (w, h), interpolation=cv2.INTER_LINEAR).ravel())
            truths.append(mask.ravel() >= 128)
    logit, truth = np.concatenate(logits), np.concatenate(truths)
    best = (-1.0, 0.0)
    for t in np.arange(-4.0, 6.01, 0.25):
        found = logit >= t
        tp = np.count_nonzero(found & truth)
        f1 = 2 * tp / max(1, np.count_nonzero(found) + np.count_nonzero(truth))
        best = max(best, (f1, float(t)))
    with torch.no_grad():
        model.head.bias -= best[1]
    print(f"calibrated: threshold {best[1]:+.2f} (F1 {best[0]:.3f} on {len(pairs)} training photos)",
          flush=True)


def inline_identities(path):
    """Replaces Identity nodes on weights (torch shares equal weights through them) by copies of
    the weights, which OpenCV's ONNX reader cannot take otherwise."""
    import onnx
    from onnx import numpy_helper
    model = onnx.load(path)
    weights = {w.name: w for w in model.graph.initializer}
    keep = []
    for node in model.graph.node:
        if node.op_type == "Identity" and node.input[0] in weights:
            copy = numpy_helper.from_array(numpy_helper.to_array(weights[node.input[0]]),
                                           node.output[0])
            model.graph.initializer.append(copy)
        else:
            keep.append(node)
    del model.graph.node[:]
    model.graph.node.extend(keep)
    onnx.checker.check_model(model)
    onnx.save(model, path)


def export(model, path):
    model.eval()
    dummy = torch.zeros(1, 3, 256, 384)
    torch.onnx.export(model, dummy, path, input_names=["bgr"], output_names=["skin_logit"],
                      opset_version=11, do_constant_folding=True,
                      dynamic_axes={"bgr": {2: "h", 3: "w"}, "skin_logit": {2: "h2", 3: "w2"}})
    inline_identities(path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--data", default=os.path.join(HERE, "../../../../shared/testdata/skin"))
    ap.add_argument("--out", default=os.path.join(HERE, "../model/qlxSkinSegmenter.onnx"))
    ap.add_argument("--seed", type=int, default=20261206)
    ap.add_argument("--steps", type=int, default=1800)
    ap.add_argument("--batch", type=int, default=12)
    ap.add_argument("--crop", type=int, default=128)
    ap.add_argument("--threads", type=int, default=1)
    ap.add_argument("--val-per-bin", type=int, default=10)
    ap.add_argument("--eval-every", type=int, default=300)
    ap.add_argument("--weights", help="skip training: take these trained weights (a .pt file "
                    "written at the last step of a run with the same settings)")
    args = ap.parse_args()

    torch.manual_seed(args.seed)
    torch.set_num_threads(args.threads)
    cv2.setNumThreads(1)
    rng = random.Random(args.seed)

    rows = load_manifest(args.data)
    train, val = split(rows, args.seed, args.val_per_bin)
    tone = dict(rows)
    with open(os.path.join(HERE, "validation.txt"), "w") as f:
        f.write("".join(f"{s}\t{tone[s]}\n" for s in val))
    train_pairs = [load_pair(args.data, s) for s in train]
    val_pairs = [load_pair(args.data, s) for s in val]
    print(f"train {len(train_pairs)} photos, validation {len(val_pairs)}", flush=True)

    model = SkinNet()
    opt = torch.optim.AdamW(model.parameters(), lr=3e-3, weight_decay=1e-4)
    sched = torch.optim.lr_scheduler.OneCycleLR(opt, max_lr=3e-3, total_steps=args.steps,
                                                pct_start=0.1)
    start = time.time()
    running = 0.0
    if args.weights:
        model.load_state_dict(torch.load(args.weights))
    for step in range(1, 0 if args.weights else args.steps + 1):
        batch = [make_sample(rng, *train_pairs[rng.randrange(len(train_pairs))], args.crop)
                 for _ in range(args.batch)]
        x = torch.from_numpy(np.stack([b[0] for b in batch]))
        y = torch.from_numpy(np.stack([b[1] for b in batch]))
        logits = model(x)
        y = F.interpolate(y, size=logits.shape[2:], mode="area")
        loss = loss_fn(logits, y)
        opt.zero_grad()
        loss.backward()
        opt.step()
        sched.step()
        running = 0.98 * running + 0.02 * loss.item() if step > 1 else loss.item()
        if step % 50 == 0:
            print(f"step {step} loss {running:.4f} {time.time() - start:.0f}s", flush=True)
        if step % args.eval_every == 0 or step == args.steps:
            p, r, f1, iou = evaluate(model, val_pairs, 256)
            print(f"val step {step}: P {p:.3f} R {r:.3f} F1 {f1:.3f} IoU {iou:.3f}", flush=True)
            torch.save(model.state_dict(), f"/tmp/skin-train-step{step}.pt")
    calibrate(model, train_pairs[::4], 256)
    p, r, f1, iou = evaluate(model, val_pairs, 256)
    print(f"val calibrated: P {p:.3f} R {r:.3f} F1 {f1:.3f} IoU {iou:.3f}", flush=True)
    export(model, args.out)
    print(f"wrote {args.out} in {time.time() - start:.0f}s", flush=True)


if __name__ == "__main__":
    main()
