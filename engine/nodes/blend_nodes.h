#pragma once
// The "Compose" node types: "compose", a two-stage alpha mix, and the eleven
// blends, each laying its blend of foreground and background over the
// background by a clamped alpha.

#include <memory>

#include "model/node.h"

class NCompose : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NCompMul : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NScreen : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NOverlay : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NSoftLight : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NHardLight : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NCDodge : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NCBurn : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NLighten : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NDarken : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NDifference : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NExclusion : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};
